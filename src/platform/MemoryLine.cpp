#include "platform/MemoryLine.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace {

const char* const LinePrefix = "sim:";

struct Registry {
    std::mutex lock;
    std::map<std::string, std::weak_ptr<CMemoryLine>> lines;
    unsigned long next = 1;
};

Registry& TheRegistry()
{
    static Registry registry;
    return registry;
}

} // namespace

std::shared_ptr<CMemoryLine> CMemoryLine::Create(size_t capacity)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    // Lines that have gone leave their names behind: forget them here.
    for (auto it = registry.lines.begin(); it != registry.lines.end();)
        it = it->second.expired() ? registry.lines.erase(it) : std::next(it);
    auto line = std::make_shared<CMemoryLine>(LinePrefix + std::to_string(registry.next++), std::max<size_t>(capacity, 1));
    registry.lines[line->Name()] = line;
    return line;
}

std::shared_ptr<CMemoryLine> CMemoryLine::Find(const std::string& name)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    auto it = registry.lines.find(name);
    return it == registry.lines.end() ? nullptr : it->second.lock();
}

bool CMemoryLine::IsLineName(const std::string& name)
{
    const size_t prefix = std::char_traits<char>::length(LinePrefix);
    if (name.size() <= prefix || name.compare(0, prefix, LinePrefix) != 0)
        return false;
    return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix), name.end(),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

CMemoryLine::CMemoryLine(std::string name, size_t capacity) : m_name(std::move(name)), m_capacity(capacity) {}

CMemoryLine::~CMemoryLine()
{
    Unregister();
}

void CMemoryLine::Unregister()
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    auto it = registry.lines.find(m_name);
    // Only our own entry: the weak pointer of a line that is being destroyed no longer locks.
    if (it != registry.lines.end() && (it->second.expired() || it->second.lock().get() == this))
        registry.lines.erase(it);
}

bool CMemoryLine::Attach(End end)
{
    std::lock_guard<std::mutex> guard(m_lock);
    Side& side = m_sides[end];
    if (side.attached)
        return false;
    side.attached = true;
    side.hasAttached = true;
    return true;
}

void CMemoryLine::Detach(End end)
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_sides[end].attached)
            return;
        m_sides[end].attached = false;
    }
    Wake(Other(end));
}

bool CMemoryLine::OtherEndGone(End end) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    const Side& other = m_sides[Other(end)];
    return other.hasAttached && !other.attached;
}

size_t CMemoryLine::Write(End from, const void* data, size_t size)
{
    size_t taken = 0;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        Side& to = m_sides[Other(from)];
        if (to.hasAttached && !to.attached)
            return 0;
        taken = std::min(size, m_capacity - to.incoming.size());
        const auto* bytes = static_cast<const uint8_t*>(data);
        to.incoming.insert(to.incoming.end(), bytes, bytes + taken);
    }
    if (taken != 0)
        Wake(Other(from));
    return taken;
}

size_t CMemoryLine::Read(End at, void* buffer, size_t size)
{
    size_t taken = 0;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        std::deque<uint8_t>& in = m_sides[at].incoming;
        taken = std::min(size, in.size());
        std::copy_n(in.begin(), taken, static_cast<uint8_t*>(buffer));
        in.erase(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(taken));
    }
    if (taken != 0)
        Wake(Other(at)); // room for the writer
    return taken;
}

size_t CMemoryLine::Available(End at) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_sides[at].incoming.size();
}

size_t CMemoryLine::Room(End from) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_capacity - m_sides[Other(from)].incoming.size();
}

void CMemoryLine::DiscardIncoming(End at)
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_sides[at].incoming.clear();
    }
    Wake(Other(at));
}

void CMemoryLine::DiscardOutgoing(End from)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_sides[Other(from)].incoming.clear();
}

void CMemoryLine::SetWakeUp(End end, std::function<void()> wakeUp)
{
    std::lock_guard<std::mutex> guard(m_sides[end].wakeLock);
    m_sides[end].wakeUp = std::move(wakeUp);
}

void CMemoryLine::Wake(End end)
{
    std::lock_guard<std::mutex> guard(m_sides[end].wakeLock);
    if (m_sides[end].wakeUp)
        m_sides[end].wakeUp();
}
