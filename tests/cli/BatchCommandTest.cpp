// pravel-cli batch end to end: real child pravel-cli calls over pseudo-terminals to simulated
// modems in fast mode (the dialogue's own waits as shipped).
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "batch/ChildProcess.h"
#include "cli/BatchCommand.h"
#include "cli/CommandRegistry.h"
#include "cli/Interrupt.h"
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
    void ForgetDials()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_transcript.clear();
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
    CChildProcess program;
    std::string problem;
    ASSERT_TRUE(program.Start(args, &problem)) << problem;
    std::atomic<int> status{-2};
    std::thread waiter([&] { status = program.Wait(); });
    const auto journalLines = [&] {
        std::istringstream lines(ReadText(report + ".journal"));
        int count = 0;
        for (std::string line; std::getline(lines, line);)
            ++count;
        return count;
    };
    EXPECT_TRUE(WaitUntil([&] { return journalLines() >= 2 || status.load() != -2; }, std::chrono::seconds(120)));
    program.AskToStop();
    waiter.join();
    EXPECT_EQ(status.load(), 1) << program.ErrorOutput();

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
        EXPECT_EQ(Dials(number), remaining) << number;
    }
    EXPECT_NE(run.out.find("6 of 6 rows succeeded."), std::string::npos) << run.out;
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
                              "row 2, column AlarmCode1: AlarmCode1: digits only."},
                      BadPlan{"unknown_column", "number,code,Volume\n5550101,3958,3\n", "row 1, column Volume:"}),
    [](const ::testing::TestParamInfo<BadPlan>& info) { return std::string(info.param.name); });

TEST_F(BatchCommandTest, SimulatedModemsReachEveryUnitOfThePlan)
{
    const std::string plan = WritePlan("number,unit,code,action,IdBeep\n5550301,3,1234,write,1\n5550302,1,3958,read,x\n");
    CliRun run = RunCli({"batch", plan, "--simulate", "2", "--quiet"});
    EXPECT_EQ(run.status, 0) << run.err << run.out;
    EXPECT_NE(run.out.find("2 of 2 rows succeeded."), std::string::npos) << run.out;
    EXPECT_EQ(RunCli({"batch", plan}).status, 2); // no modem
}

} // namespace
