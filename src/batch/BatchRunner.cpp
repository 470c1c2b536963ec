#include "batch/BatchRunner.h"

#include <algorithm>
#include <cstdio>
#include <thread>

#include "batch/ChildProcess.h"
#include "batch/RowCall.h"
#include "diag/SystemError.h"
#include "serial/ComPort.h" // the serial device types behind SerialHandle

namespace {

// "2026-12-08T19:04:05Z" from the system clock, by the civil calendar (no gmtime_r everywhere).
std::string UtcNow()
{
    using namespace std::chrono;
    const long long seconds = duration_cast<std::chrono::seconds>(system_clock::now().time_since_epoch()).count();
    long long days = seconds / 86400;
    const long long daySeconds = seconds % 86400;
    days += 719468;
    const long long era = days / 146097;
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long monthIndex = (5 * dayOfYear + 2) / 153;
    const long long day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    const long long month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    const long long year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    char text[128];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lldZ", year, month, day, daySeconds / 3600,
                  daySeconds / 60 % 60, daySeconds % 60);
    return text;
}

} // namespace

CBatchRunner::CBatchRunner() = default;
CBatchRunner::~CBatchRunner() = default;

bool CBatchRunner::Run(const BatchPlan& plan, const BatchOptions& options, const std::function<void()>& tick,
                       std::vector<RowResult>* results, std::string* problem)
{
    if (options.ports.empty()) {
        *problem = "No modem to call with: give --port DEVICE.";
        return false;
    }
    if (options.program.empty()) {
        *problem = "pravel-cli's own path is not known.";
        return false;
    }
    if (!m_journal.Open(options.journalPath, options.resume, problem))
        return false;
    m_plan = &plan;
    m_options = options;
    const size_t modems = options.ports.size();
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_results.assign(plan.rows.size(), RowResult{});
        m_ended.assign(plan.rows.size(), false);
        m_changedRows.clear();
        const auto now = std::chrono::steady_clock::now();
        for (size_t i = 0; i < plan.rows.size(); ++i) {
            const PlanRow& row = plan.rows[i];
            // Done when an entry that succeeded asked what the row asks now: the same content,
            // on the row's line or (the plan edited above it) on another.
            const RowResult* done = nullptr;
            auto onLine = m_journal.Done().find(row.row);
            if (onLine != m_journal.Done().end() && onLine->second.digest == row.digest)
                done = &onLine->second;
            for (const auto& [line, entry] : m_journal.Done())
                if (done == nullptr && entry.digest == row.digest && !row.digest.empty() &&
                    std::count_if(plan.rows.begin(), plan.rows.end(),
                                  [&](const PlanRow& other) { return other.digest == row.digest; }) == 1)
                    done = &entry;
            if (done != nullptr) {
                m_results[i] = *done;
                m_results[i].row = row.row;
                m_ended[i] = true;
                ++m_endedCount;
                ++m_succeeded;
                continue;
            }
            if (onLine != m_journal.Done().end() && LineKey(onLine->second.number) == LineKey(row.number) &&
                onLine->second.unit == row.unit)
                m_changedRows.push_back(row.row);
            RowResult& result = m_results[i];
            result.row = row.row;
            result.number = row.number;
            result.unit = row.unit;
            result.action = row.action;
            result.outcome = RowOutcome::Stopped;
            result.message = "Not dialled: the run was stopped first.";
            m_pending.push_back({i, 0, 0, now});
        }
        m_lastLine.assign(modems, std::string());
        m_portFaultsInARow.assign(modems, 0);
        m_out.assign(modems, false);
        m_portsOut.clear();
        m_children.assign(modems, nullptr);
        m_activity.assign(modems, ModemActivity{});
        for (size_t m = 0; m < modems; ++m)
            m_activity[m].port = options.ports[m];
    }

    std::vector<std::thread> threads;
    for (size_t m = 0; m < modems; ++m)
        threads.emplace_back([this, m] { ServeModem(m); });
    for (;;) {
        std::unique_lock<std::mutex> lock(m_lock);
        const bool over = m_changed.wait_for(lock, std::chrono::milliseconds(200), [&] {
            return (m_pending.empty() || m_stopping || ModemsLeft() == 0) && m_running == 0;
        });
        lock.unlock();
        if (tick)
            tick();
        if (over)
            break;
    }
    for (std::thread& thread : threads)
        thread.join();
    {
        // Rows left when no modem is: failed, so that a resumed run calls them again.
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_stopping && ModemsLeft() == 0) {
            for (const Pending& pending : m_pending) {
                RowResult result = m_results[pending.index];
                if (result.outcome == RowOutcome::Stopped) {
                    result.outcome = RowOutcome::Failed;
                    result.message = "Not dialled: every modem was taken out of the run.";
                } else {
                    result.outcome = RowOutcome::Failed;
                }
                m_results[pending.index] = result;
                std::string journalProblem;
                if (!m_journal.Append(result, &journalProblem) && m_journalProblem.empty())
                    m_journalProblem = journalProblem;
                m_ended[pending.index] = true;
                ++m_endedCount;
                ++m_failed;
            }
            m_pending.clear();
        }
    }
    m_journal.Close();
    std::lock_guard<std::mutex> guard(m_lock);
    *results = m_results;
    return true;
}

void CBatchRunner::Stop()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_stopping = true;
    ++m_stops;
    for (const auto& child : m_children)
        if (child)
            child->AskToStop();
    m_changed.notify_all();
}

std::string CBatchRunner::JournalProblem() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_journalProblem;
}

bool CBatchRunner::StopRequested() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_stopping;
}

BatchProgress CBatchRunner::Progress() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    BatchProgress progress;
    progress.total = static_cast<int>(m_results.size());
    progress.ended = m_endedCount;
    progress.succeeded = m_succeeded;
    progress.failed = m_failed;
    progress.modems = m_activity;
    if (m_calls > 0 && !m_activity.empty()) {
        const double perCall = m_callSeconds / m_calls;
        const int left = progress.total - progress.ended;
        progress.secondsLeft = perCall * left / static_cast<double>(m_activity.size());
    }
    return progress;
}

std::vector<int> CBatchRunner::ChangedRows() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_changedRows;
}

std::vector<PortTakenOut> CBatchRunner::PortsTakenOut() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_portsOut;
}

size_t CBatchRunner::ModemsLeft() const
{
    return static_cast<size_t>(std::count(m_out.begin(), m_out.end(), false));
}

void CBatchRunner::WaitForPortRelease(size_t modem)
{
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(m_options.portReleaseSeconds));
    for (;;) {
        int error = 0;
        SerialHandle device = OpenSerialDevice(m_options.ports[modem], &error);
        if (device)
            return; // free; closed again here, for the call to open
        // A port another program holds: refused as busy (Windows: access denied). Anything
        // else is for the call to report.
        const SystemErrorKind kind = ClassifySystemError(error);
        if (kind != SystemErrorKind::Busy && kind != SystemErrorKind::Permission)
            return;
        std::unique_lock<std::mutex> lock(m_lock);
        if (m_stopping || std::chrono::steady_clock::now() >= deadline)
            return;
        m_changed.wait_for(lock, std::chrono::milliseconds(100));
    }
}

std::vector<RowResult> CBatchRunner::Results(std::vector<bool>* ended) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    *ended = m_ended;
    return m_results;
}

bool CBatchRunner::Pick(size_t modem, std::chrono::steady_clock::time_point now, Pending* pending)
{
    auto best = m_pending.end();
    size_t bestRows = 0;
    for (auto it = m_pending.begin(); it != m_pending.end(); ++it) {
        const std::string key = LineKey(m_plan->rows[it->index].number);
        auto holder = m_lineHolder.find(key);
        if (it->readyAt > now || (holder != m_lineHolder.end() && holder->second != modem))
            continue;
        if (key == m_lastLine[modem]) {
            best = it;
            break;
        }
        size_t rows = 0;
        for (const Pending& other : m_pending)
            rows += LineKey(m_plan->rows[other.index].number) == key ? 1 : 0;
        if (rows > bestRows) {
            best = it;
            bestRows = rows;
        }
    }
    if (best == m_pending.end())
        return false;
    *pending = *best;
    m_pending.erase(best);
    return true;
}

void CBatchRunner::ServeModem(size_t modem)
{
    WaitForPortRelease(modem);
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
        if (m_stopping || m_out[modem] || (m_pending.empty() && m_running == 0))
            break;
        const auto now = std::chrono::steady_clock::now();
        Pending pending{};
        if (!Pick(modem, now, &pending)) {
            if (m_pending.empty()) {
                // Another modem's call may yet come back to be tried again.
                m_changed.wait(lock);
                continue;
            }
            auto next = std::min_element(m_pending.begin(), m_pending.end(), [](const Pending& a, const Pending& b) {
                return a.readyAt < b.readyAt;
            });
            if (next->readyAt > now)
                m_changed.wait_until(lock, next->readyAt);
            else
                m_changed.wait(lock); // the ready rows' lines are on other modems' calls
            continue;
        }
        const PlanRow& row = m_plan->rows[pending.index];
        const std::string key = LineKey(row.number);
        m_lineHolder[key] = modem;
        m_lastLine[modem] = key;
        ++pending.attempts;
        ++m_running;
        m_activity[modem] = {m_options.ports[modem], row.row, row.number, row.unit, row.action, pending.attempts};
        lock.unlock();
        RowResult result = Call(modem, pending);
        lock.lock();
        Finish(modem, pending, result);
        m_lineHolder.erase(key);
        m_activity[modem] = ModemActivity{};
        m_activity[modem].port = m_options.ports[modem];
        --m_running;
        m_changed.notify_all();
    }
    m_changed.notify_all();
}

RowResult CBatchRunner::Call(size_t modem, const Pending& pending)
{
    const PlanRow& row = m_plan->rows[pending.index];
    RowResult result;
    result.row = row.row;
    result.number = row.number;
    result.unit = row.unit;
    result.action = row.action;
    result.attempts = pending.attempts;
    result.port = m_options.ports[modem];
    result.start = UtcNow();
    result.digest = row.digest;
    if (row.action == JobRead && !m_options.archiveDirectory.empty())
        result.archive = ArchivePath(m_options.archiveDirectory, row);
    const auto began = std::chrono::steady_clock::now();

    auto child = std::make_shared<CChildProcess>();
    std::string problem;
    bool started = false;
    {
        // Started under the lock, so that a Stop either comes first (no call) or reaches it.
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_stopping) {
            started = child->Start(RowCallArguments(m_options.program, row, result.port, result.archive, m_options.verify), &problem);
            if (started)
                m_children[modem] = child;
        }
    }
    if (!started) {
        result.outcome = problem.empty() ? RowOutcome::Stopped : RowOutcome::Failed;
        result.message = problem.empty() ? "Not dialled: the run was stopped first." : problem;
        result.archive.clear();
        return result;
    }
    const int status = child->Wait();
    bool stopping = false;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_children[modem] = nullptr;
        stopping = m_stopping;
    }
    ReadRowCallResult(row, status, child->Output(), &result, m_options.verify);
    // A call the run itself ended while stopping is resumable, whatever it managed to print (one
    // asked to stop before it could take the request ends by the signal without a word).
    if (stopping && result.outcome != RowOutcome::Succeeded && result.outcome != RowOutcome::Stopped) {
        result.outcome = RowOutcome::Stopped;
        if (status < 0 || result.message.empty())
            result.message = "Not completed: the run was stopped.";
    }
    result.durationSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    if (result.outcome != RowOutcome::Succeeded && !result.archive.empty() && status != 0)
        result.archive.clear(); // a read that did not complete saves nothing
    return result;
}

void CBatchRunner::Finish(size_t modem, const Pending& pending, const RowResult& result)
{
    m_callSeconds += result.durationSeconds;
    ++m_calls;
    if (IsPortFault(result) && !m_stopping) {
        if (++m_portFaultsInARow[modem] >= 2 && !m_out[modem]) {
            m_out[modem] = true;
            m_portsOut.push_back({m_options.ports[modem], result.message});
        }
        // The row goes to another modem (or this one, while it is still in), a bounded number of
        // times: a row that fails so on every modem in turn ends failed.
        const int maxPortFaults = 2 * static_cast<int>(m_out.size());
        if (ModemsLeft() > 0 && pending.portFaults + 1 < maxPortFaults) {
            Pending again = pending;
            --again.attempts; // the call never reached the line
            ++again.portFaults;
            again.readyAt = std::chrono::steady_clock::now();
            m_pending.push_back(again);
            m_results[pending.index] = result;
            return;
        }
    } else if (result.outcome != RowOutcome::Stopped) {
        m_portFaultsInARow[modem] = 0;
    }
    // A write row called again sends all its values again, also those the failed call got through
    // before the line spoilt it: a write sets values, so sending one twice leaves the unit as once.
    if (IsRetried(result) && pending.attempts <= m_options.retries && !m_stopping) {
        Pending again = pending;
        again.readyAt = std::chrono::steady_clock::now() +
                        std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                            std::chrono::duration<double>(m_options.retryDelaySeconds));
        m_pending.push_back(again);
        m_results[pending.index] = result; // what the report says should the run stop before the next call
        return;
    }
    std::string problem;
    if (!m_journal.Append(result, &problem) && m_journalProblem.empty())
        m_journalProblem = problem;
    m_results[pending.index] = result;
    if (result.outcome == RowOutcome::Stopped)
        return; // not ended: a resumed run calls it again
    m_ended[pending.index] = true;
    ++m_endedCount;
    if (result.outcome == RowOutcome::Succeeded)
        ++m_succeeded;
    else
        ++m_failed;
}
