// pravel-cli batch end to end: real child pravel-cli calls over pseudo-terminals to simulated
// modems in fast mode (the dialogue's own waits as shipped).
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <cstdio>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "batch/ChildProcess.h"
#include "batch/CsvTable.h"
#include "cli/BatchCommand.h"
#include "cli/CommandRegistry.h"
#include "cli/Interrupt.h"
#include "files/ParameterFileIo.h"
#include "model/ParameterTable.h"
#include "modem/DialogueTiming.h"
#include "sim/Simulator.h"
#include "support/WaitUntil.h"

namespace {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

CliRun RunCli(const std::vector<std::string>& args)
{
    std::istringstream in;
    std::ostringstream out, err;
    CommandIo io{in, out, err, false};
    CliRun run;
    run.status = RunCommandLine(args, io);
    run.out = out.str();
    run.err = err.str();
    return run;
}

SimUnit Unit(int number, const std::string& code = "3958")
{
    SimUnit unit;
    unit.unit = number;
    unit.programmingCode = code;
    return unit;
}

SimLine Line(const std::string& number, std::vector<SimUnit> units, int busyFirst = 0)
{
    SimLine line;
    line.number = number;
    line.units = std::move(units);
    line.busyFirst = busyFirst;
    return line;
}

std::string ReadText(const std::string& path)
{
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

int JournalLines(const std::string& path)
{
    std::istringstream lines(ReadText(path));
    int count = 0;
    for (std::string line; std::getline(lines, line);)
        ++count;
    return count;
}

class BatchCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetBatchProgramForTests(PRAVEL_CLI_PATH);
        ClearInterrupt();
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char& c : name)
            c = c == '/' ? '_' : c;
        m_dir = ::testing::TempDir() + "batch_" + name + "/";
        std::filesystem::remove_all(m_dir); // a journal of an earlier run would be resumed
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override
    {
        for (auto& sim : m_sims)
            sim->Stop();
        SetBatchProgramForTests("");
    }

    void StartModems(int count, SimConfig config)
    {
        config.fast = true;
        config.transcript = true;
        for (int i = 0; i < count; ++i) {
            config.transcriptSink = [this](std::string_view text) {
                std::lock_guard<std::mutex> guard(m_lock);
                m_transcript += text;
            };
            m_sims.push_back(std::make_unique<CSimulator>());
            std::string error;
            ASSERT_TRUE(m_sims.back()->Start(config, &error)) << error;
        }
    }
    std::vector<std::string> Ports() const
    {
        std::vector<std::string> ports;
        for (const auto& sim : m_sims)
            ports.insert(ports.end(), {"--port", sim->DevicePath()});
        return ports;
    }
    const CSimulator* SimOf(const std::string& port) const
    {
        for (const auto& sim : m_sims)
            if (sim->DevicePath() == port)
                return sim.get();
        return nullptr;
    }
    // Dial commands for the number that reached any modem since the last ForgetDials.
    int Dials(const std::string& number)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        int dials = 0;
        std::istringstream lines(m_transcript);
        for (std::string line; std::getline(lines, line);)
            dials += line.find("ATD") != std::string::npos && line.find(number) != std::string::npos ? 1 : 0;
        return dials;
    }
    std::string Transcript()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_transcript;
    }
    bool TranscriptHas(const std::string& text)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_transcript.find(text) != std::string::npos;
    }
    int Count(const std::string& text)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        int count = 0;
        for (size_t at = m_transcript.find(text); at != std::string::npos; at = m_transcript.find(text, at + 1))
            ++count;
        return count;
    }
    void ForgetDials()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_transcript.clear();
    }
    // How RunProgramUntil ends the program: as by Ctrl-C, or with kill -9.
    enum class Ending { AskToStop, Kill };
    struct ProgramEnd {
        bool ready = false; // ready() held before the program was ended
        int status = -2;    // its exit status (-1: a signal); -2 while it ran
        std::string errors; // its standard error
    };
    // Runs the real program with args in a child process until ready() holds (or it ends by
    // itself, or limit passes), calls beforeEnd, ends it the given way and waits for its end.
    ProgramEnd RunProgramUntil(const std::vector<std::string>& args, const std::function<bool()>& ready,
                               std::chrono::seconds limit, Ending ending, const std::function<void()>& beforeEnd = {})
    {
        ProgramEnd end;
        CChildProcess program;
        std::string problem;
        EXPECT_TRUE(program.Start(args, &problem)) << problem;
        if (!problem.empty())
            return end;
        std::atomic<int> status{-2};
        std::thread waiter([&] { status = program.Wait(); });
        end.ready = WaitUntil([&] { return ready() || status.load() != -2; }, limit) && ready();
        if (beforeEnd)
            beforeEnd();
        if (ending == Ending::Kill)
            ::kill(static_cast<pid_t>(program.ProcessId()), SIGKILL);
        else
            program.AskToStop();
        waiter.join();
        end.status = status.load();
        end.errors = program.ErrorOutput();
        return end;
    }

    std::string WritePlan(const std::string& text)
    {
        const std::string path = m_dir + "plan.csv";
        std::ofstream(path) << text;
        return path;
    }

    std::string m_dir;
    std::vector<std::unique_ptr<CSimulator>> m_sims;
    std::mutex m_lock;
    std::string m_transcript;
};

// Twelve units over five lines: two lines busy at first, one unit with another code, one absent.
SimConfig Fleet()
{
    SimConfig config;
    config.lines = {Line("5550101", {Unit(1), Unit(2)}, 1), Line("5550102", {Unit(1), Unit(2), Unit(3)}),
                    Line("5550103", {Unit(1), Unit(2, "1111")}), Line("5550104", {Unit(1), Unit(2)}, 1),
                    Line("5550105", {Unit(1)})};
    return config;
}

const char* const FleetPlan = "number,unit,code,action,AlarmReceiver1,TestAlarmTime,LedSequence,IdBeep\n"
                              "# the estate, line by line\n"
                              "5550101,1,3958,write,0611111111,3,,\n"
                              "5550101,2,3958,read,all,,,\n"
                              "5550102,1,3958,write,0622222222,,0,\n"
                              "5550102,2,3958,write,,5,,1\n"
                              "5550102,3,3958,read,x,x,,\n"
                              "5550103,1,3958,write,0633333333,,,\n"
                              "5550103,2,3958,write,0644444444,,,\n"
                              "5550104,1,3958,read,all,,,\n"
                              "5550104,2,3958,write,0655555555,,1,\n"
                              "5550105,1,3958,write,0666666666,,,\n"
                              "5550105,4,3958,read,all,,,\n"
                              "5550102,1,3958,read,x,,x,\n";

TEST_F(BatchCommandTest, TwelveRowsOverThreeModemsReportWhatTheUnitsHold)
{
    StartModems(3, Fleet());
    const std::string plan = WritePlan(FleetPlan);
    std::vector<std::string> args = {"batch", plan, "--retries", "3", "--retry-delay", "0", "--report",
                                     m_dir + "report.json", "--archive", m_dir};
    for (const std::string& port : Ports())
        args.push_back(port);
    CliRun run = RunCli(args);
    EXPECT_EQ(run.status, 1) << run.err << run.out;
    EXPECT_NE(run.out.find("10 of 12 rows succeeded."), std::string::npos) << run.out;

    const nlohmann::json report = nlohmann::json::parse(ReadText(m_dir + "report.json"), nullptr, false);
    ASSERT_TRUE(report.is_array());
    ASSERT_EQ(report.size(), 12u);
    const std::map<int, std::string> failures = {{9, "code-refused"}, {13, "failed"}};
    std::map<std::string, std::string> portOfLine;
    for (const auto& row : report) {
        const int line = row["row"].get<int>();
        const std::string number = row["number"].get<std::string>();
        const std::string port = row["port"].get<std::string>();
        const std::string expected = failures.count(line) != 0 ? failures.at(line) : "succeeded";
        EXPECT_EQ(row["outcome"].get<std::string>(), expected) << "row " << line << ": " << row["message"];
        // One line is called from one modem, and a busy line is tried again.
        if (portOfLine.count(number) == 0)
            portOfLine[number] = port;
        EXPECT_EQ(portOfLine[number], port) << "row " << line;
        const int attempts = row["attempts"].get<int>();
        if (line == 3 || line == 10)
            EXPECT_EQ(attempts, 2) << "row " << line;
        else
            EXPECT_EQ(attempts, 1) << "row " << line;
        if (expected != "succeeded") {
            EXPECT_FALSE(row["message"].get<std::string>().empty());
            continue;
        }
        EXPECT_EQ(row["firmware"], "2.0.7");
        // Only a read asks for the status record.
        EXPECT_EQ(row["power"].get<std::string>().empty(), row["action"] == "write") << "row " << line;
        const CSimulator* sim = SimOf(port);
        ASSERT_NE(sim, nullptr);
        const SimUnit unit = sim->UnitState(number, row["unit"].get<int>());
        ASSERT_FALSE(row["values"].empty()) << "row " << line;
        for (const auto& item : row["values"].items()) {
            if (item.key() == "NewProgrammingCode")
                continue; // the unit keeps a written one apart until the next login
            EXPECT_EQ(unit.settings.at(item.key()), item.value().get<std::string>()) << "row " << line << " " << item.key();
        }
        if (row["action"] == "read") {
            EXPECT_EQ(row["archive"], m_dir + number + "_unit" + std::to_string(row["unit"].get<int>()) + ".oxl");
            struct stat info{};
            EXPECT_EQ(::stat(row["archive"].get<std::string>().c_str(), &info), 0) << row["archive"];
        }
    }
    // The plan's writes arrived; the refused one did not.
    EXPECT_EQ(SimOf(portOfLine["5550101"])->UnitState("5550101", 1).settings.at("TestAlarmTime"), "3");
    EXPECT_EQ(SimOf(portOfLine["5550102"])->UnitState("5550102", 2).settings.at("IdBeep"), "1");
    EXPECT_NE(SimOf(portOfLine["5550103"])->UnitState("5550103", 2).settings.at("AlarmReceiver1"), "0644444444");
    EXPECT_EQ(report[11]["values"]["AlarmReceiver1"], "0622222222");
}

TEST_F(BatchCommandTest, ARunStoppedHalfWayIsResumedDiallingEachRemainingRowOnce)
{
    SimConfig config;
    config.lines = {Line("5550201", {Unit(1), Unit(2)}), Line("5550202", {Unit(1), Unit(2)}),
                    Line("5550203", {Unit(1), Unit(2)})};
    StartModems(2, config);
    const std::string plan = WritePlan("number,unit,code,action,AlarmReceiver1\n"
                                       "5550201,1,3958,write,0611\n5550201,2,3958,read,x\n"
                                       "5550202,1,3958,write,0612\n5550202,2,3958,read,x\n"
                                       "5550203,1,3958,write,0613\n5550203,2,3958,read,x\n");
    const std::string report = m_dir + "report.csv";
    std::vector<std::string> args = {PRAVEL_CLI_PATH, "batch", plan, "--report", report};
    for (const std::string& port : Ports())
        args.push_back(port);

    // The real program, interrupted as by Ctrl-C once two rows have ended.
    const ProgramEnd end = RunProgramUntil(
        args, [&] { return JournalLines(report + ".journal") >= 2; }, std::chrono::seconds(120), Ending::AskToStop);
    EXPECT_TRUE(end.ready);
    EXPECT_EQ(end.status, 1) << end.errors;

    std::set<std::string> done;
    std::istringstream journal(ReadText(report + ".journal"));
    for (std::string line; std::getline(journal, line);) {
        const nlohmann::json entry = nlohmann::json::parse(line);
        if (entry["outcome"] == "succeeded")
            done.insert(entry["number"].get<std::string>() + "/" + std::to_string(entry["unit"].get<int>()));
        else
            EXPECT_EQ(entry["outcome"], "stopped") << line;
    }
    ASSERT_GE(done.size(), 2u);
    ASSERT_LT(done.size(), 6u) << "the stop came after the end";

    ForgetDials();
    std::vector<std::string> resume = {"batch", plan, "--report", report, "--resume"};
    for (const std::string& port : Ports())
        resume.push_back(port);
    CliRun run = RunCli(resume);
    EXPECT_EQ(run.status, 0) << run.err << run.out;
    for (const char* number : {"5550201", "5550202", "5550203"}) {
        int remaining = 0;
        for (int unit : {1, 2})
            remaining += done.count(std::string(number) + "/" + std::to_string(unit)) == 0 ? 1 : 0;
        EXPECT_EQ(Dials(number), remaining) << number << Transcript();
    }
    EXPECT_NE(run.out.find("6 of 6 rows succeeded."), std::string::npos) << run.out;
}

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST_F(BatchCommandTest, ACallKilledDuringItsCallLeavesThePortFreeForTheNext)
{
    SimConfig config;
    config.lines = {Line("5550401", {Unit(1)})};
    StartModems(1, config);
    const std::string port = m_sims[0]->DevicePath();
    // Killed once the unit has taken the code, in the middle of the readings.
    const ProgramEnd end = RunProgramUntil({PRAVEL_CLI_PATH, "read", "--port", port, "--number", "5550401", "--code",
                                            "3958", "--all", "--json", "--quiet"},
                                           [&] { return TranscriptHas("VCON"); }, std::chrono::seconds(20), Ending::Kill);
    ASSERT_TRUE(end.ready);
    // The modem hears the port close as a modem hears DTR drop.
    EXPECT_TRUE(WaitUntil([&] { return TranscriptHas("the port was closed"); }, std::chrono::seconds(5)));

    const auto start = std::chrono::steady_clock::now();
    CliRun run = RunCli({"read", "--port", port, "--number", "5550401", "--code", "3958", "--all", "--quiet"});
    EXPECT_EQ(run.status, 0) << run.err << run.out;
    EXPECT_EQ(run.err.find("in use"), std::string::npos) << run.err;
    std::printf("[ measured ] a new call after kill -9 of the last one: %.1f s\n", SecondsSince(start));
}

TEST_F(BatchCommandTest, ABatchKilledEndsItsCallsAndAnImmediateResumeCallsEachRemainingRowOnce)
{
    SimConfig config;
    config.lines = {Line("5550501", {Unit(1), Unit(2), Unit(3)}), Line("5550502", {Unit(1), Unit(2), Unit(3)})};
    StartModems(2, config);
    const std::string plan = WritePlan("number,unit,code,action,AlarmReceiver1\n"
                                       "5550501,1,3958,write,0611\n5550501,2,3958,write,0612\n5550501,3,3958,read,x\n"
                                       "5550502,1,3958,write,0613\n5550502,2,3958,write,0614\n5550502,3,3958,read,x\n");
    const std::string report = m_dir + "report.csv";
    std::vector<std::string> args = {PRAVEL_CLI_PATH, "batch", plan, "--report", report, "--quiet"};
    for (const std::string& port : Ports())
        args.push_back(port);
    // Killed with a row journalled and calls running.
    const ProgramEnd end = RunProgramUntil(
        args, [&] { return JournalLines(report + ".journal") >= 1; }, std::chrono::seconds(60), Ending::Kill);
    ASSERT_TRUE(end.ready);
    const int journalled = JournalLines(report + ".journal");

    const auto start = std::chrono::steady_clock::now();
    std::vector<std::string> resume = {"batch", plan, "--report", report, "--resume", "--quiet"};
    for (const std::string& port : Ports())
        resume.push_back(port);
    CliRun run = RunCli(resume);
    const double seconds = SecondsSince(start);
    EXPECT_EQ(run.status, 0) << run.err << run.out;
    EXPECT_NE(run.out.find("6 of 6 rows succeeded."), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("in use"), std::string::npos) << run.out;
    // Each row logged in once, but for the calls the kill cut short (one per modem at most),
    // which the resume makes again.
    EXPECT_GE(Count("login accepted"), 6);
    EXPECT_LE(Count("login accepted"), 6 + 2);
    std::printf("[ measured ] resume right after kill -9 of the batch, %d rows to call: %.1f s\n", 6 - journalled,
                seconds);
}

TEST_F(BatchCommandTest, ABatchKilledLetsItsCallsLogOffAndLetGoOfThePorts)
{
    SimConfig config;
    config.lines = {Line("5550601", {Unit(1), Unit(2)}), Line("5550602", {Unit(1), Unit(2)})};
    StartModems(2, config);
    // Killed while a call on each modem is logged in and reading. Each modem has two rows, so the
    // calls overlap even when one modem starts late on a loaded machine.
    const std::string plan = WritePlan("number,unit,code,action,AlarmReceiver1\n5550601,1,3958,read,all\n"
                                       "5550601,2,3958,read,all\n5550602,1,3958,read,all\n"
                                       "5550602,2,3958,read,all\n");
    std::vector<std::string> args = {PRAVEL_CLI_PATH, "batch", plan, "--quiet"};
    for (const std::string& port : Ports())
        args.push_back(port);
    int logOffs = 0;
    int closes = 0;
    const ProgramEnd end = RunProgramUntil(
        args, [&] { return Count("login accepted") - Count("log-off") >= 2; }, std::chrono::seconds(60),
        Ending::Kill, [&] {
            logOffs = Count("log-off");
            closes = Count("the port was closed");
        });
    const auto killed = std::chrono::steady_clock::now();
    ASSERT_TRUE(end.ready);
    // Each running call logs off and lets go of its port: the modem hears it close.
    EXPECT_TRUE(WaitUntil([&] { return Count("the port was closed") >= closes + 2; }, std::chrono::seconds(10)));
    const double seconds = SecondsSince(killed);
    EXPECT_GE(Count("log-off"), logOffs + 2) << Transcript();
    std::printf("[ measured ] calls of a killed batch logged off and let go of their ports in %.1f s\n", seconds);
}

TEST_F(BatchCommandTest, AChangedRowIsCalledAgainOnResumeAndSaidSo)
{
    SimConfig config;
    config.lines = {Line("5550701", {Unit(1), Unit(2)})};
    StartModems(1, config);
    const std::string header = "number,unit,code,action,AlarmReceiver1\n";
    const std::string plan = WritePlan(header + "5550701,1,3958,write,0611\n5550701,2,3958,write,0612\n");
    std::vector<std::string> args = {"batch", plan, "--quiet"};
    for (const std::string& port : Ports())
        args.push_back(port);
    ASSERT_EQ(RunCli(args).status, 0);

    WritePlan(header + "5550701,1,3958,write,0611\n5550701,2,3958,write,0699\n");
    ForgetDials();
    const int logins = Count("login accepted");
    args.push_back("--resume");
    CliRun run = RunCli(args);
    EXPECT_EQ(run.status, 0) << run.err << run.out;
    EXPECT_NE(run.err.find("row 3 changed since it succeeded: it is called again."), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("row 2 changed"), std::string::npos) << run.err;
    EXPECT_EQ(Count("login accepted") - logins, 1); // the changed row only
    EXPECT_EQ(m_sims[0]->UnitState("5550701", 2).settings.at("AlarmReceiver1"), "0699");
    EXPECT_NE(run.out.find("2 of 2 rows succeeded."), std::string::npos) << run.out;
}

// Paths: refused before anything is dialled, or taken where the technician meant them.
struct PathCase {
    const char* name;
    std::function<std::vector<std::string>(const std::string& dir, const std::string& plan)> args;
    int status;
    std::string says; // in the error output (refusals) or the summary
};

class BatchPathTest : public BatchCommandTest, public ::testing::WithParamInterface<PathCase> {};

TEST_P(BatchPathTest, IsCheckedBeforeAnyCall)
{
    SimConfig config;
    config.lines = {Line("5550801", {Unit(1)})};
    StartModems(1, config);
    // A parameter file beside the plan, named relative to it.
    std::filesystem::create_directories(m_dir + "plans");
    ProgrammingJob job{};
    job.SetSlot(ParameterTable[RowIdBeep].slot, "1");
    job.selectionMask = ParameterTable[RowIdBeep].maskBit;
    std::string message;
    ASSERT_TRUE(SaveParameterFile(m_dir + "plans/beep.oxl", job, "", "", &message)) << message;
    const std::string plan = m_dir + "plans/plan.csv";
    std::ofstream(plan) << "number,unit,code,action,file,AlarmReceiver1\n5550801,1,3958,write,beep.oxl,\n"
                           "5550801,1,3958,read,,all\n";
    std::vector<std::string> args = GetParam().args(m_dir, plan);
    args.insert(args.begin(), "batch");
    for (const std::string& port : Ports())
        args.push_back(port);
    const auto start = std::chrono::steady_clock::now();
    CliRun run = RunCli(args);
    EXPECT_EQ(run.status, GetParam().status) << run.err << run.out;
    EXPECT_NE((run.status == 2 ? run.err : run.out).find(GetParam().says), std::string::npos) << run.err << run.out;
    if (run.status == 2)
        EXPECT_EQ(Dials("5550801"), 0);
    else
        EXPECT_TRUE(std::filesystem::exists(m_dir + "new/archive/5550801_unit1.oxl"));
    std::printf("[ measured ] %s: exit %d in %.2f s\n", GetParam().name, run.status, SecondsSince(start));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, BatchPathTest,
    ::testing::Values(
        PathCase{"report_is_a_folder",
                 [](const std::string& dir, const std::string& plan) {
                     return std::vector<std::string>{plan, "--report", dir};
                 },
                 2, "is a folder: give a file"},
        PathCase{"report_folder_missing",
                 [](const std::string& dir, const std::string& plan) {
                     return std::vector<std::string>{plan, "--report", dir + "nowhere/report.csv"};
                 },
                 2, "its folder does not exist"},
        PathCase{"plan_not_a_file_without_report",
                 [](const std::string&, const std::string&) { return std::vector<std::string>{"/dev/null"}; }, 2,
                 "is not a file: give --report FILE"},
        PathCase{"report_empty",
                 [](const std::string&, const std::string& plan) {
                     return std::vector<std::string>{plan, "--report", ""};
                 },
                 2, "--report needs a file name"},
        PathCase{"archive_empty",
                 [](const std::string&, const std::string& plan) {
                     return std::vector<std::string>{plan, "--archive", ""};
                 },
                 2, "--archive needs a folder name"},
        PathCase{"endless_plan",
                 [](const std::string& dir, const std::string&) {
                     return std::vector<std::string>{"/dev/zero", "--report", dir + "report.csv"};
                 },
                 2, "is larger than 10 MB"},
        PathCase{"archive_folder_made_and_file_beside_the_plan",
                 [](const std::string& dir, const std::string& plan) {
                     return std::vector<std::string>{plan, "--archive", dir + "new/archive", "--quiet"};
                 },
                 0, "2 of 2 rows succeeded."}),
    [](const ::testing::TestParamInfo<PathCase>& info) { return std::string(info.param.name); });

TEST_F(BatchCommandTest, APlanFromAPipeRunsWithItsJournalBesideTheReport)
{
    SimConfig config;
    config.lines = {Line("5550901", {Unit(1)})};
    StartModems(1, config);
    const std::string fifo = m_dir + "plan.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([&] { std::ofstream(fifo) << "number;code;IdBeep\n5550901;3958;all\n"; });
    std::vector<std::string> args = {"batch", fifo, "--report", m_dir + "report.csv", "--quiet"};
    for (const std::string& port : Ports())
        args.push_back(port);
    CliRun run = RunCli(args);
    writer.join();
    EXPECT_EQ(run.status, 0) << run.err << run.out;
    EXPECT_EQ(JournalLines(m_dir + "report.csv.journal"), 1);
    EXPECT_NE(ReadText(m_dir + "report.csv").find("succeeded"), std::string::npos);
}

TEST_F(BatchCommandTest, ADeadModemIsTakenOutAndItsRowsGoToTheOthers)
{
    SimConfig config;
    std::string plan = "number,unit,code,action,IdBeep\n";
    for (int line = 1; line <= 5; ++line) {
        const std::string number = "555100" + std::to_string(line);
        config.lines.push_back(Line(number, {Unit(1), Unit(2), Unit(3)}));
        for (int unit = 1; unit <= 3; ++unit)
            plan += number + "," + std::to_string(unit) + ",3958,read,x\n";
    }
    StartModems(3, config);
    SimFaults dead;
    dead.deadModem = true;
    m_sims[1]->InjectFaults(dead);
    std::vector<std::string> args = {"batch", WritePlan(plan), "--quiet", "--report", m_dir + "report.json"};
    for (const std::string& port : Ports())
        args.push_back(port);
    const auto start = std::chrono::steady_clock::now();
    CliRun run = RunCli(args);
    const double seconds = SecondsSince(start);
    EXPECT_EQ(run.status, 0) << run.err << run.out;
    EXPECT_NE(run.out.find("15 of 15 rows succeeded."), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("The modem on " + m_sims[1]->DevicePath() + " was taken out of the run after two failed "
                           "calls in a row:"),
              std::string::npos)
        << run.out;
    const nlohmann::json report = nlohmann::json::parse(ReadText(m_dir + "report.json"), nullptr, false);
    ASSERT_TRUE(report.is_array());
    for (const auto& row : report)
        EXPECT_NE(row["port"], m_sims[1]->DevicePath()) << row;
    std::printf("[ measured ] 15 rows over three modems, one dead: %.1f s\n", seconds);
}

TEST_F(BatchCommandTest, WhenEveryModemIsDeadTheRunFailsNamingThem)
{
    SimConfig config;
    config.lines = {Line("5551101", {Unit(1), Unit(2)})};
    config.faults.deadModem = true;
    StartModems(1, config);
    std::vector<std::string> args = {"batch", WritePlan("number,unit,code\n5551101,1,3958\n5551101,2,3958\n"),
                                     "--quiet"};
    for (const std::string& port : Ports())
        args.push_back(port);
    const auto start = std::chrono::steady_clock::now();
    CliRun run = RunCli(args);
    EXPECT_EQ(run.status, 1) << run.err << run.out;
    EXPECT_NE(run.out.find("0 of 2 rows succeeded."), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("was taken out of the run"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("No modem was left to call with."), std::string::npos) << run.out;
    std::printf("[ measured ] one dead modem, two rows: exit %d in %.1f s\n", run.status, SecondsSince(start));
}

// The program's own messages keep their line breaks, also inside the summary's rows; option
// ranges read as a person writes them.
TEST_F(BatchCommandTest, MessagesPrintTheirLineBreaksAndRangesAsWritten)
{
    const std::string plan = WritePlan("number,unit,code\n5551201,1,3958\n");
    CliRun run = RunCli({"batch", plan, "--quiet", "--port", "/dev/pravel-no-such-port"});
    EXPECT_EQ(run.status, 1) << run.err << run.out;
    EXPECT_EQ(run.out.find("\\x0A"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Can't open serial port /dev/pravel-no-such-port\n"), std::string::npos) << run.out;

    struct Case {
        std::vector<std::string> option;
        const char* says;
    };
    const Case cases[] = {
        {{"--retries", "101"}, "0 to 100"},
        {{"--retry-delay", "-1"}, "0 to 86400"},
        {{"--simulate", "17"}, "1 to 16"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"batch", plan};
        args.insert(args.end(), c.option.begin(), c.option.end());
        CliRun refused = RunCli(args);
        EXPECT_EQ(refused.status, 2) << c.option[0];
        EXPECT_NE(refused.err.find(c.says), std::string::npos) << refused.err;
        EXPECT_EQ(refused.err.find(".000000"), std::string::npos) << refused.err;
    }
}

TEST_F(BatchCommandTest, CheckListsEveryErrorAndWarningWithoutOpeningAPort)
{
    StartModems(1, Fleet());
    const std::string plan = WritePlan("number;unit;code;action;file;AlarmReceiver1;TestAlarmTime;AlarmCode1\n"
                                       "5550101;1;3958;write;;0611;;\n"             // good
                                       "5550101;9;3958;read;;;;\n"                  // unit
                                       "5550102;1;39;read;;;;\n"                    // code
                                       ";1;3958;read;;;;\n"                         // number
                                       "5550103;1;3958;erase;;;;\n"                 // action
                                       "5550104;1;3958;write;;;11;\n"               // combo range
                                       "5550105;1;3958;write;;;;12*4\n"             // the front end's rule
                                       "5550106;1;3958;write;nowhere.oxl;;;\n"      // the file
                                       "5550107;1;3958;write;;;;\n"                 // nothing to write
                                       "5550108;1;3958;read;x.oxl;;;\n"             // a read takes no file
                                       "5550109;1;3958\n"                           // field count
                                       "5550101;1;3958;read;;;;\n");                // warning: planned twice
    struct Expected {
        int row;
        const char* column;
    };
    const std::vector<Expected> expected = {{3, "unit"},       {4, "code"},  {5, "number"},
                                            {6, "action"},     {7, "TestAlarmTime"}, {8, "AlarmCode1"},
                                            {9, "file"},       {10, ""},     {11, "file"},
                                            {12, ""}};
    CliRun json = RunCli({"batch", plan, "--check", "--json"});
    EXPECT_EQ(json.status, 2) << json.err;
    const nlohmann::json list = nlohmann::json::parse(json.out, nullptr, false);
    ASSERT_TRUE(list.is_array()) << json.out;
    std::vector<std::pair<int, std::string>> errors;
    int warnings = 0;
    for (const auto& item : list) {
        if (item["severity"] == "warning") {
            ++warnings;
            EXPECT_EQ(item["row"], 13);
        } else {
            errors.emplace_back(item["row"].get<int>(), item["column"].get<std::string>());
        }
    }
    ASSERT_EQ(errors.size(), expected.size()) << json.out;
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(errors[i].first, expected[i].row) << json.out;
        EXPECT_EQ(errors[i].second, expected[i].column) << json.out;
    }
    EXPECT_EQ(warnings, 1); // row 13 plans the unit of row 2 again
    CliRun text = RunCli({"batch", plan, "--check"});
    EXPECT_EQ(text.status, 2);
    EXPECT_NE(text.out.find(plan + ": row 3, column unit: the unit is 1 to 6"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("The plan has 10 errors and"), std::string::npos) << text.out;
    EXPECT_EQ(Dials("555"), 0);
    EXPECT_FALSE(TranscriptHas("AT")); // no port was opened: the modem heard nothing

    CliRun good = RunCli({"batch", WritePlan("Number,CODE,IdBeep\n5550101,3958,all\n555-0101,3958,\n"), "--check"});
    EXPECT_EQ(good.status, 0) << good.out;
    EXPECT_NE(good.out.find("row 3: warning: unit 1 of 555-0101 is planned again (first on row 2)"), std::string::npos)
        << good.out;
    EXPECT_NE(good.out.find("The plan is ready: 2 rows, 1 warning."), std::string::npos) << good.out;
}

struct BadPlan {
    const char* name;
    std::string plan;
    std::string error;
};

class BatchBadPlanTest : public BatchCommandTest, public ::testing::WithParamInterface<BadPlan> {};

TEST_P(BatchBadPlanTest, IsRefusedWholeBeforeAnythingIsDialled)
{
    StartModems(1, Fleet());
    std::vector<std::string> args = {"batch", WritePlan(GetParam().plan), "--json"};
    for (const std::string& port : Ports())
        args.push_back(port);
    CliRun run = RunCli(args);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(GetParam().error), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("nothing was dialled"), std::string::npos) << run.err;
    const nlohmann::json json = nlohmann::json::parse(run.out, nullptr, false);
    ASSERT_TRUE(json.is_object()) << run.out;
    EXPECT_EQ(json["status"], 2);
    // Give a wrongly started call the time to reach the modem.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(Dials("555"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Plans, BatchBadPlanTest,
    ::testing::Values(BadPlan{"one_bad_row_of_many",
                              "number,unit,code,AlarmReceiver1\n5550101,1,3958,all\n5550102,1,39,all\n",
                              "row 3, column code:"},
                      BadPlan{"digits_only_edit", "number,code,action,AlarmCode1\n5550101,3958,write,12*4\n",
                              "row 2, column AlarmCode1: digits only."},
                      BadPlan{"unknown_column", "number,code,Volume\n5550101,3958,3\n", "row 1, column Volume:"}),
    [](const ::testing::TestParamInfo<BadPlan>& info) { return std::string(info.param.name); });

// The line as sound is pravel-sim's: a --sim-config that asks for it is refused, saying where
// that line is played, before anything is dialled.
TEST_F(BatchCommandTest, ASimConfigWithTheLineAsSoundSaysWhereThatLineIsPlayed)
{
    const std::string plan = WritePlan("number,unit,code,action,IdBeep\n5550100,1,3958,read,x\n");
    const std::string config = m_dir + "gsm.json";
    std::ofstream(config) << R"({"sound": {"preset": "gsm", "snrDb": 10}})";
    CliRun run = RunCli({"batch", plan, "--simulate", "1", "--sim-config", config, "--quiet"});
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_NE(run.err.find(config + ": the line as sound (\"sound\") is played by pravel-sim only; batch --simulate "
                                    "has a clean line."),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("read or write --simulate --line"), std::string::npos) << run.err;
    EXPECT_EQ(run.out.find("rows succeeded"), std::string::npos) << run.out;
    // A clean line in the same key is no sound: the run goes ahead.
    std::ofstream(config) << R"({"sound": {"preset": "clean"}})";
    EXPECT_EQ(RunCli({"batch", plan, "--simulate", "1", "--sim-config", config, "--quiet"}).status, 0);
}

TEST_F(BatchCommandTest, SimulatedModemsReachEveryUnitOfThePlan)
{
    const std::string plan = WritePlan("number,unit,code,action,IdBeep\n5550301,3,1234,write,1\n5550302,1,3958,read,x\n");
    CliRun run = RunCli({"batch", plan, "--simulate", "2", "--quiet"});
    EXPECT_EQ(run.status, 0) << run.err << run.out;
    EXPECT_NE(run.out.find("2 of 2 rows succeeded."), std::string::npos) << run.out;
    EXPECT_EQ(RunCli({"batch", plan}).status, 2); // no modem
}

} // namespace

TEST_F(BatchCommandTest, VerifyFailsTheOneRowWhoseUnitStoresAValueWrong)
{
    SimConfig config;
    SimUnit old = Unit(4);
    old.firmware = "105";
    config.lines = {Line("5551201", {Unit(1), Unit(2)}), Line("5551202", {Unit(3), old})};
    config.faults.storeWrong = "AlarmButtonDelay";
    StartModems(2, config);
    const std::string plan = WritePlan("number,unit,code,action,AlarmCode1,AlarmButtonDelay,LedSequence\n"
                                       "5551201,1,3958,write,4711,,\n"
                                       "5551201,2,3958,write,,12,\n"
                                       "5551202,3,3958,write,4713,,\n"
                                       "5551202,4,3958,write,4714,,0\n");
    std::vector<std::string> args = {"batch", plan, "--verify", "--quiet", "--report", m_dir + "report.json"};
    for (const std::string& port : Ports())
        args.push_back(port);
    CliRun run = RunCli(args);
    EXPECT_EQ(run.status, 1) << run.err << run.out;
    EXPECT_NE(run.out.find("failed: verify"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("2 of 4 rows succeeded."), std::string::npos) << run.out;

    const nlohmann::json report = nlohmann::json::parse(ReadText(m_dir + "report.json"), nullptr, false);
    ASSERT_TRUE(report.is_array() && report.size() == 4u) << report;
    struct Expected {
        const char* outcome;
        const char* reason;
        const char* verify;
        const char* note;
    };
    const Expected expected[] = {
        {"succeeded", "completed", "verified", ""},
        {"failed", "verify-failed", "mismatch: AlarmButtonDelay wrote 12 read 11", ""},
        {"succeeded", "completed", "verified", ""},
        {"failed", "not-transferred", "verified", "not on firmware 1.0.5: LedSequence"},
    };
    for (size_t i = 0; i < 4; ++i) {
        const nlohmann::json& row = report[i];
        EXPECT_EQ(row["outcome"], expected[i].outcome) << row;
        EXPECT_EQ(row["reason"], expected[i].reason) << row;
        EXPECT_EQ(row["verify"], expected[i].verify) << row;
        EXPECT_EQ(row["note"], expected[i].note) << row;
    }
    const CSimulator* sim = SimOf(report[1]["port"].get<std::string>());
    ASSERT_NE(sim, nullptr);
    EXPECT_EQ(sim->UnitState("5551201", 2).settings.at("AlarmButtonDelay"), "11");
}

// A call the line spoils ends noisy-line. With no retries left the row fails with that reason
// and message in the report and the journal; a resume calls it again, and a noisy call there is
// tried again after the delay, the write sending all its values once more.
TEST_F(BatchCommandTest, ARowOnANoisyLineFailsWithItsReasonAndIsCalledAgainOnResumeAndAfterTheDelay)
{
    SimConfig config;
    config.lines = {Line("5551301", {Unit(1)})};
    config.faults.corruptAllAnswers = true;
    StartModems(1, config);
    const std::string plan = WritePlan("number,unit,code,action,AlarmCode1,IdBeep\n"
                                       "5551301,1,3958,write,4721,1\n");
    const std::string report = m_dir + "report.csv";
    // The report's one row, by column name.
    const auto reportRow = [&] {
        std::map<std::string, std::string> row;
        std::vector<CsvRecord> records;
        std::string problem;
        EXPECT_TRUE(ParseCsv(ReadText(report), &records, &problem)) << problem;
        EXPECT_EQ(records.size(), 2u) << ReadText(report);
        for (size_t i = 0; records.size() == 2 && i < records[0].fields.size() && i < records[1].fields.size(); ++i)
            row[records[0].fields[i]] = records[1].fields[i];
        return row;
    };

    CliRun run = RunCli({"batch", plan, "--retries", "0", "--quiet", "--report", report, "--port", Ports()[1]});
    EXPECT_EQ(run.status, 1) << run.err << run.out;
    EXPECT_EQ(Dials("5551301"), 1);
    std::map<std::string, std::string> row = reportRow();
    EXPECT_EQ(row["outcome"], "failed");
    EXPECT_EQ(row["reason"], "noisy-line");
    EXPECT_EQ(row["message"].rfind("The line is too noisy for DTMF: ", 0), 0u) << row["message"];
    EXPECT_EQ(row["attempts"], "1");
    const nlohmann::json journalled = nlohmann::json::parse(ReadText(report + ".journal"), nullptr, false);
    EXPECT_EQ(journalled["outcome"], "failed") << journalled;
    EXPECT_EQ(journalled["reason"], "noisy-line") << journalled;
    EXPECT_EQ(journalled["message"], row["message"]) << journalled;

    // Now only the next call is spoilt: as many answers in a row as end a call, and the answer
    // to its log-off; the call after it gets through.
    SimFaults faults;
    faults.corruptNextAnswers = GetDialogueTiming().failedChecksToEnd + 1;
    m_sims[0]->InjectFaults(faults);
    ForgetDials();
    run = RunCli({"batch", plan, "--resume", "--retries", "1", "--retry-delay", "0.2", "--quiet", "--report", report,
                  "--port", Ports()[1]});
    EXPECT_EQ(run.status, 0) << run.err << run.out;
    EXPECT_EQ(Dials("5551301"), 2) << Transcript();
    row = reportRow();
    EXPECT_EQ(row["outcome"], "succeeded");
    EXPECT_EQ(row["reason"], "completed");
    EXPECT_EQ(row["message"], "");
    EXPECT_EQ(row["attempts"], "2");
    EXPECT_EQ(row["AlarmCode1"], "4721");
    EXPECT_EQ(row["IdBeep"], "1");
    const SimUnit unit = m_sims[0]->UnitState("5551301", 1);
    EXPECT_EQ(unit.settings.at("AlarmCode1"), "4721");
    EXPECT_EQ(unit.settings.at("IdBeep"), "1");
    EXPECT_EQ(m_sims[0]->Faults().corruptNextAnswers, 0);
}
