// Read-all jobs against the simulator in fast mode with its line as sound, over lines from clean
// to hopeless: how many calls complete with every value right, how many fail with a message, how
// many report a wrong value (there must be none: the check digit and the second hearing after a
// spoilt answer are the guard), how long a call would take on a real line, how many codes went out
// again, and the simulator's CPU time.
//
//   line_bench [calls [csv [only [checks]]]]
//       calls   calls per line (default 50)
//       csv     the table also written here (default line_bench.csv)
//       only    the lines whose name holds this text; "all" adds the points of the success curve
//               (SNR 8 to 3 dB, GSM + 15 to 3 dB) to the table's lines; empty: the table's lines
//       checks  answers failing their check in a row that end a call (default: as shipped)
//
// The CSV's last two columns, series (noise, gsm or other) and snr_db, are what
// line_bench.gnuplot plots.
//
// Every call that did not complete with every value right is listed on standard error: its line,
// seed, outcome, message and the values that differ.
//
// Each call is a fresh simulator whose noise has its own seed (1, 2, ...), so a run is
// reproducible. The job runs with its waits scaled down (the simulator answers at once); the call
// time shown is what the call would take on a real line: the shipped waits (ring, the two pauses
// of 2.5 s, 5 s for each answer that never came) plus the tones as long as they sound (the
// modem's 100 ms tones and 50 ms gaps, the unit's 70 ms tones and gaps, 300 ms before each
// answer), and 50 ms for each reply the program reads.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "diag/Trace.h"
#include "model/ComPortName.h"
#include "model/JobMessages.h"
#include "model/JobOutcome.h"
#include "model/ParameterTable.h"
#include "modem/DialogueTiming.h"
#include "platform/MessagePresenter.h"
#include "platform/NotifyWindow.h"
#include "sim/LineModel.h"
#include "sim/Simulator.h"
#include "worker/JobWorker.h"

namespace {

// The values a job reports and how it ends.
class CJobWatcher : public INotifyWindow, public IMessagePresenter {
public:
    void PostMessage(uint32_t message, uint32_t wParam, CMessageValue value) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (message == WM_SET_TEXT)
            m_values[wParam] = value.TextValue();
        if (message == WM_SHOW_PROGRESS && wParam == ProgressEnded) {
            m_outcome = static_cast<JobOutcome>(value.NumberValue());
            m_ended = true;
            m_changed.notify_all();
        }
    }
    void SendMessage(uint32_t message, uint32_t wParam, CMessageValue value) override
    {
        PostMessage(message, wParam, std::move(value));
    }
    void ShowMessage(const std::string& text, const std::string&, MessageIcon) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_message = text;
    }
    struct Result {
        std::map<uint32_t, std::string> values;
        JobOutcome outcome = JobOutcome::None;
        std::string message;
    };
    Result WaitForEnd()
    {
        std::unique_lock<std::mutex> lock(m_lock);
        m_changed.wait(lock, [&] { return m_ended; });
        Result result{std::move(m_values), m_outcome, std::move(m_message)};
        m_values.clear();
        m_message.clear();
        m_ended = false;
        return result;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_ended = false;
    std::map<uint32_t, std::string> m_values;
    JobOutcome m_outcome = JobOutcome::None;
    std::string m_message;
};

// The program's dialogue as its trace shows it, to count what went out again and to reckon the
// time the call would take on a real line.
class CDialogueLog {
public:
    void Add(std::string_view text)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_lines.emplace_back(text);
    }
    std::vector<std::string> Take()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return std::exchange(m_lines, {});
    }

private:
    std::mutex m_lock;
    std::vector<std::string> m_lines;
};
CDialogueLog theLog;

struct CallFigures {
    int resends = 0;  // codes sent again
    int silences = 0; // codes that got no complete answer: the program waited its time-out
    double lineMs = 0;
};

// What the dialogue's trace says of one call. A tone command sent twice in a row is a resend; when
// no frame end (DLE D) came back between the two, the program had waited its full time-out.
CallFigures Reckon(const std::vector<std::string>& trace, const SimSound& sound)
{
    CallFigures f;
    const DialogueTiming shipped;
    f.lineMs = 2000 + 2.0 * shipped.selectWaitMs;
    std::string lastTones;
    bool answered = true;
    for (std::string line : trace) {
        // "Modem:    0.356 < DLE C\n", "Modem:    0.306 > AT#VTS=C,2,0,D\r\n" (the CR LF as escapes).
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        if (line.size() >= 4 && line.compare(line.size() - 4, 4, "\\r\\n") == 0)
            line.erase(line.size() - 4);
        const size_t out = line.find(" > ");
        const size_t in = line.find(" < ");
        if (out != std::string::npos) {
            const std::string command = line.substr(out + 3);
            f.lineMs += 50;
            const size_t vts = command.find("VTS=");
            if (vts == std::string::npos)
                continue;
            const std::string tones = command.substr(vts + 4);
            const int count = static_cast<int>(std::count(tones.begin(), tones.end(), ',')) + 1;
            f.lineMs += count * (100.0 + sound.modemGapMs);
            if (tones == lastTones && tones.find('C') != std::string::npos) {
                ++f.resends;
                if (!answered) {
                    ++f.silences;
                    f.lineMs += shipped.answerTimeoutMs;
                }
            }
            lastTones = tones;
            answered = false;
        } else if (in != std::string::npos) {
            const std::string got = line.substr(in + 3);
            if (got.rfind("DLE ", 0) == 0 && got.size() == 5) {
                f.lineMs += sound.unitToneMs + sound.unitGapMs;
                if (got[4] == 'D')
                    answered = true;
                if (got[4] == 'C')
                    f.lineMs += 300;
            }
        }
    }
    return f;
}

double CpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

struct Condition {
    const char* name;
    SimSound sound;
    bool curve = false; // a point of the success curve only, not a line of the table
};

// The series a line belongs to in the plot, and its SNR there (0: none).
const char* Series(const SimSound& sound)
{
    if (sound.echo || !sound.noise || sound.unitToneMs != SimSound().unitToneMs)
        return "other";
    if (sound.codec == SimCodec::None)
        return "noise";
    return sound.codec == SimCodec::Gsm ? "gsm" : "other";
}

SimSound Line(double snrDb, SimCodec codec, int echoDb = 0)
{
    SimSound sound;
    sound.on = true;
    sound.noise = snrDb > 0;
    sound.snrDb = snrDb > 0 ? snrDb : 30;
    sound.codec = codec;
    sound.echo = echoDb < 0;
    sound.echoDb = echoDb < 0 ? echoDb : -10;
    return sound;
}

SimSound Clipped(SimSound sound, int unitToneMs)
{
    sound.unitToneMs = unitToneMs;
    return sound;
}

struct Row {
    std::string name;
    std::string series;
    double snrDb = 0;
    int calls = 0, right = 0, failedClearly = 0, wrong = 0, other = 0;
    double medianS = 0, worstS = 0, resendsPerCall = 0, silencesPerCall = 0, cpuMsPerCall = 0;
    std::map<std::string, int> messages;
};

CJobWatcher watcher;

CJobWatcher::Result RunCall(const SimConfig& config, double* cpuMs, std::vector<std::string>* trace)
{
    CSimulator sim;
    std::string error;
    if (!sim.Start(config, &error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        std::exit(1);
    }
    SetComPortName(sim.DevicePath());
    (void)theLog.Take();
    const double cpu0 = CpuMs();
    if (!StartJob()) {
        std::fprintf(stderr, "the job did not start\n");
        std::exit(1);
    }
    CJobWatcher::Result result = watcher.WaitForEnd();
    WaitForJobEnd();
    *cpuMs = CpuMs() - cpu0;
    sim.Stop();
    *trace = theLog.Take();
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    const int calls = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    const std::string csvPath = argc > 2 ? argv[2] : "line_bench.csv";
    const std::string only = argc > 3 ? argv[3] : "";
    const int checksToEnd = argc > 4 ? std::max(1, std::atoi(argv[4])) : DialogueTiming().failedChecksToEnd;
    SetTraceSink([](std::string_view text) {
        if (text.rfind("Modem: ", 0) == 0)
            theLog.Add(text);
    });
    SetMessagePresenter(&watcher);

    DialogueTiming timing;
    // The simulator answers at once, but computing a long answer's sound takes some milliseconds
    // of a busy machine: the time-out keeps well clear of that, or a late answer would be taken
    // for the next code's. The watchdog stays three times the time-out, as shipped.
    timing.selectWaitMs = 1;
    timing.answerTimeoutMs = 1000;
    timing.commandGapMs = 0;
    timing.workerTickMs = 200;
    timing.modemAnswerMs = 500;
    timing.logoffWaitMs = 500;
    timing.failedChecksToEnd = checksToEnd;
    SetDialogueTimingForTests(timing);

    theJob.reset(&watcher);
    theJob.mode = JobRead;
    std::strcpy(theJob.phoneNumber, "5550100");
    std::strcpy(theJob.programmingCode, "3958");
    theJob.unit = 1;
    theJob.selectionMask = AllParametersMask;

    // The values every call must report: those of a call over the perfect wire.
    SimConfig base = DefaultSimConfig();
    base.fast = true;
    base.makeToneLine = CLineModel::Make;
    double cpu = 0;
    std::vector<std::string> trace;
    const CJobWatcher::Result reference = RunCall(base, &cpu, &trace);
    if (std::getenv("LINE_BENCH_TRACE") != nullptr)
        for (const std::string& line : trace)
            std::fputs(line.c_str(), stderr);
    if (reference.outcome != JobOutcome::Completed || reference.values.empty()) {
        std::fprintf(stderr, "the read-all over the perfect wire did not complete: %s\n", reference.message.c_str());
        return 1;
    }

    const std::vector<Condition> conditions = {
        {"clean", Line(0, SimCodec::None)},
        {"SNR 30 dB", Line(30, SimCodec::None)},
        {"SNR 20 dB", Line(20, SimCodec::None)},
        {"SNR 15 dB", Line(15, SimCodec::None)},
        {"SNR 12 dB", Line(12, SimCodec::None)},
        {"SNR 10 dB", Line(10, SimCodec::None)},
        {"A-law", Line(0, SimCodec::ALaw)},
        {"GSM 06.10", Line(0, SimCodec::Gsm)},
        {"GSM + 20 dB", Line(20, SimCodec::Gsm)},
        {"GSM + 10 dB", Line(10, SimCodec::Gsm)},
        {"echo -10 dB", Line(0, SimCodec::None, -10)},
        {"SNR 8 dB", Line(8, SimCodec::None), true},
        {"SNR 7 dB", Line(7, SimCodec::None), true},
        {"SNR 6 dB", Line(6, SimCodec::None), true},
        {"SNR 5 dB", Line(5, SimCodec::None), true},
        {"SNR 3 dB", Line(3, SimCodec::None), true},
        {"GSM + 15 dB", Line(15, SimCodec::Gsm), true},
        {"GSM + 12 dB", Line(12, SimCodec::Gsm), true},
        {"GSM + 8 dB", Line(8, SimCodec::Gsm), true},
        {"GSM + 6 dB", Line(6, SimCodec::Gsm), true},
        {"GSM + 3 dB", Line(3, SimCodec::Gsm), true},
        // A gateway that clips the unit's tones to 40 ms: the unit hears the program, its answers
        // keep failing their check; how long a call takes to give up.
        {"GSM 40 ms + 10 dB", Clipped(Line(10, SimCodec::Gsm), 40), true},
    };
    std::vector<Row> rows;
    for (const Condition& condition : conditions) {
        if (only.empty() ? condition.curve
                         : only != "all" && std::string(condition.name).find(only) == std::string::npos)
            continue;
        Row row;
        row.name = condition.name;
        row.series = Series(condition.sound);
        row.snrDb = condition.sound.noise ? condition.sound.snrDb : 0;
        std::vector<double> times;
        double cpuTotal = 0;
        int resends = 0, silences = 0;
        for (int call = 0; call < calls; ++call) {
            SimConfig config = base;
            config.sound = condition.sound;
            config.sound.seed = static_cast<unsigned>(call + 1);
            const CJobWatcher::Result result = RunCall(config, &cpu, &trace);
            const CallFigures figures = Reckon(trace, condition.sound);
            cpuTotal += cpu;
            resends += figures.resends;
            silences += figures.silences;
            times.push_back(figures.lineMs / 1000.0);
            ++row.calls;
            bool wrong = false;
            for (const auto& [id, text] : result.values) {
                auto expected = reference.values.find(id);
                wrong = wrong || expected == reference.values.end() || expected->second != text;
            }
            if (wrong)
                ++row.wrong;
            else if (result.outcome == JobOutcome::Completed && result.values == reference.values)
                ++row.right;
            else if (!result.message.empty())
                ++row.failedClearly;
            else
                ++row.other;
            if (!result.message.empty())
                ++row.messages[result.message];
            if (wrong || result.outcome != JobOutcome::Completed || result.values != reference.values) {
                std::string differing;
                for (const auto& [id, text] : reference.values) {
                    auto got = result.values.find(id);
                    if (got == result.values.end())
                        differing += " " + std::to_string(id) + ":missing";
                    else if (got->second != text)
                        differing += " " + std::to_string(id) + ":\"" + got->second + "\"!=\"" + text + "\"";
                }
                std::fprintf(stderr, "%s seed %d: %s \"%s\"%s\n", condition.name, call + 1,
                             JobOutcomeWord(result.outcome), result.message.c_str(), differing.c_str());
            }
        }
        std::sort(times.begin(), times.end());
        row.medianS = times[times.size() / 2];
        row.worstS = times.back();
        row.resendsPerCall = static_cast<double>(resends) / calls;
        row.silencesPerCall = static_cast<double>(silences) / calls;
        row.cpuMsPerCall = cpuTotal / calls;
        std::fprintf(stderr, "%-12s done\n", row.name.c_str());
        rows.push_back(row);
    }

    std::printf("a call ends after %d answers in a row that fail their check\n", checksToEnd);
    std::printf("%-12s %6s %6s %6s %6s %6s %8s %8s %8s %9s %9s\n", "line", "calls", "right", "failed", "wrong",
                "other", "median s", "worst s", "resends", "silences", "CPU ms");
    for (const Row& r : rows)
        std::printf("%-12s %6d %6d %6d %6d %6d %8.1f %8.1f %8.2f %9.2f %9.1f\n", r.name.c_str(), r.calls, r.right,
                    r.failedClearly, r.wrong, r.other, r.medianS, r.worstS, r.resendsPerCall, r.silencesPerCall,
                    r.cpuMsPerCall);
    for (const Row& r : rows)
        for (const auto& [message, count] : r.messages)
            std::printf("%s: %d x \"%s\"\n", r.name.c_str(), count, message.c_str());

    if (FILE* csv = std::fopen(csvPath.c_str(), "w")) {
        std::fprintf(csv, "line,calls,right,failed_with_message,wrong_value,other,median_s,worst_s,resends_per_call,"
                          "silences_per_call,cpu_ms_per_call,series,snr_db\n");
        for (const Row& r : rows)
            std::fprintf(csv, "%s,%d,%d,%d,%d,%d,%.2f,%.2f,%.2f,%.2f,%.1f,%s,%g\n", r.name.c_str(), r.calls, r.right,
                         r.failedClearly, r.wrong, r.other, r.medianS, r.worstS, r.resendsPerCall, r.silencesPerCall,
                         r.cpuMsPerCall, r.series.c_str(), r.snrDb);
        std::fclose(csv);
        std::printf("written: %s\n", csvPath.c_str());
    } else {
        std::fprintf(stderr, "cannot write %s\n", csvPath.c_str());
    }
    theJob.reset(nullptr);
    return 0;
}
