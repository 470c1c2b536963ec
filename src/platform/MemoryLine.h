// An in-process two-way byte line: two bounded queues, one for each direction, with a wake-up for
// each end. A line is registered under a name of its own ("sim:1", "sim:2", ...), so that a serial
// port layer can open it by name as its device while another part of the same program (the
// simulated modem) serves the far end. Both only meet here, in the platform layer.
//
// Ends: PortEnd is the side a serial port opens, FarEnd the side the simulator serves. Each end is
// attached by at most one user at a time; a second Attach is refused, as a busy port is. When an
// end detaches after it had attached, the other end sees the line hung up once it has read what
// was sent before (OtherEndGone).
//
// Threads: every call may come from any thread; the queues are under one lock. A wake-up is called
// on the thread whose call caused it (bytes written for the end, room made in the end's outgoing
// queue by the other end's read, the other end detaching), outside the line's lock; it may look at
// the line (Available, Room, OtherEndGone) and signal, but must not read, write, detach or discard
// (that would wake the other end from inside this wake-up). SetWakeUp waits for a wake-up in progress
// of that end to return, so that after SetWakeUp(end, {}) none runs any more.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class CMemoryLine {
public:
    enum End { PortEnd = 0, FarEnd = 1 };
    static constexpr size_t DefaultCapacity = 4096;

    // A new line, registered under a fresh name; capacity bytes may wait in each direction.
    static std::shared_ptr<CMemoryLine> Create(size_t capacity = DefaultCapacity);
    // The line registered under the name; null when there is none (any more).
    static std::shared_ptr<CMemoryLine> Find(const std::string& name);
    // True for a name of the form the lines are registered under ("sim:" and a number).
    static bool IsLineName(const std::string& name);

    explicit CMemoryLine(std::string name, size_t capacity);
    ~CMemoryLine();
    CMemoryLine(const CMemoryLine&) = delete;
    CMemoryLine& operator=(const CMemoryLine&) = delete;

    const std::string& Name() const { return m_name; }
    // Takes the name away: Find no longer sees the line; those that hold it keep it.
    void Unregister();

    // False when the end is attached already.
    bool Attach(End end);
    // The other end is woken and, once it has read what waits for it, sees the line hung up.
    void Detach(End end);
    // The other end had attached and has detached since.
    bool OtherEndGone(End end) const;

    // Puts as many bytes as fit into the queue towards the other end; returns how many (0 when the
    // queue is full or the other end has gone).
    size_t Write(End from, const void* data, size_t size);
    // Takes up to size of the bytes waiting for the end; returns how many (0 when none wait).
    size_t Read(End at, void* buffer, size_t size);
    // Bytes waiting for the end; room left in the end's outgoing queue.
    size_t Available(End at) const;
    size_t Room(End from) const;
    // Drops what waits for the end (incoming) or what the end sent and the other has not read
    // (outgoing); the other end is woken for the room made.
    void DiscardIncoming(End at);
    void DiscardOutgoing(End from);

    void SetWakeUp(End end, std::function<void()> wakeUp);

private:
    struct Side {
        std::deque<uint8_t> incoming; // bytes for this end
        bool attached = false;
        bool hasAttached = false; // attached at some time: its leaving hangs the line up
        std::mutex wakeLock;      // held while the wake-up runs and while it is replaced
        std::function<void()> wakeUp;
    };
    static End Other(End end) { return end == PortEnd ? FarEnd : PortEnd; }
    void Wake(End end);

    const std::string m_name;
    const size_t m_capacity;
    mutable std::mutex m_lock;
    Side m_sides[2];
};
