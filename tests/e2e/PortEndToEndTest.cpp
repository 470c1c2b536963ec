// pravel-cli end to end over a serial port with the simulator at the far end of a pseudo-terminal:
// one table of jobs and faults, run twice, by the Linux program on the pty itself and by the
// Windows program under Wine on COM1, which the Wine prefix maps onto the same pty. Both must end
// every case with the same exit code and the same message.
//
// The Wine runner needs PRAVEL_WINE_CLI (the path of pravel-cli.exe) and WINEPREFIX (a prefix
// made by the test command); without them it is skipped. COM1 is mapped in the prefix's registry
// to a link of our own that is pointed at the simulator's pty before each run; the runner refuses
// to start unless the mapping is in place and the link leads to /dev/pts/* (unmapped, Wine's COM1
// is /dev/ttyS0, the machine's console).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "sim/Simulator.h"

extern char** environ;

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

struct ProgramRun {
    int status = -1; // exit status; -1 when it did not end in time
    std::string out;
    std::string err;
    double seconds = 0;
};

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs a program with both outputs in files (Wine's services inherit the first program's outputs:
// a pipe would never reach its end) and waits at most timeout for it.
ProgramRun Run(const std::vector<std::string>& command, std::chrono::seconds timeout = 90s)
{
    ProgramRun run;
    const fs::path dir = fs::path(::testing::TempDir());
    const fs::path outPath = dir / ("pravel-e2e-" + std::to_string(::getpid()) + ".out");
    const fs::path errPath = dir / ("pravel-e2e-" + std::to_string(::getpid()) + ".err");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> args = command;
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const auto started = std::chrono::steady_clock::now();
    pid_t pid = -1;
    const bool spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (!spawned)
        return run;
    int status = 0;
    bool ended = false;
    while (!ended) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        ended = done == pid;
        if (!ended && std::chrono::steady_clock::now() - started > timeout) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        if (!ended)
            std::this_thread::sleep_for(5ms);
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (ended && WIFEXITED(status))
        run.status = WEXITSTATUS(status);
    run.out = ReadFile(outPath);
    run.err = ReadFile(errPath);
    fs::remove(outPath);
    fs::remove(errPath);
    return run;
}

// How a runner reaches the simulator: the program to run and the port name to give it.
struct Runner {
    std::string name;
    std::vector<std::string> program;
    // Makes the port name lead to the pty; false with a reason when it cannot.
    std::function<bool(const std::string& pty, std::string* port, std::string* why)> connect;
};

Runner NativeRunner()
{
    return {"native", {PRAVEL_CLI_PATH}, [](const std::string& pty, std::string* port, std::string*) {
                *port = pty;
                return true;
            }};
}

// COM1 of the prefix as the registry maps it ("" when it does not).
std::string WineCom1Mapping(const std::string& prefix)
{
    std::ifstream reg(prefix + "/system.reg");
    std::string line;
    bool inPorts = false;
    while (std::getline(reg, line)) {
        if (!line.empty() && line[0] == '[')
            inPorts = line.rfind("[Software\\\\Wine\\\\Ports]", 0) == 0;
        else if (inPorts && line.rfind("\"COM1\"=\"", 0) == 0 && line.size() > 9)
            return line.substr(8, line.find('"', 8) - 8);
    }
    return {};
}

// The Windows program under Wine, or an empty program when the test command has not set it up.
Runner WineRunner()
{
    const char* exe = std::getenv("PRAVEL_WINE_CLI");
    const char* prefixVar = std::getenv("WINEPREFIX");
    if (exe == nullptr || prefixVar == nullptr || !fs::exists(exe))
        return {"wine", {}, {}};
    const std::string prefix = prefixVar;
    const std::string link = prefix + "/pravel-com1";
    if (WineCom1Mapping(prefix) != link) {
        // Mapped once per prefix; the registry is read at the next wineserver start.
        Run({"wine", "reg", "add", "HKLM\\Software\\Wine\\Ports", "/v", "COM1", "/t", "REG_SZ", "/d", link, "/f"});
        Run({"wineserver", "-k"});
        Run({"wineserver", "-w"});
        // One server for the whole run: a client that starts while a server is on its way out
        // loses its connection.
        Run({"wineserver", "-p", "60"});
    }
    return {"wine", {"wine", exe}, [prefix, link](const std::string& pty, std::string* port, std::string* why) {
                std::error_code error;
                fs::remove(link, error);
                fs::create_symlink(pty, link, error);
                const std::string mapped = WineCom1Mapping(prefix);
                const std::string target = fs::canonical(link, error).string();
                if (mapped != link || target.rfind("/dev/pts/", 0) != 0) {
                    *why = "COM1 of " + prefix + " is \"" + mapped + "\" -> \"" + target +
                           "\", not the simulator's pty: refusing to run";
                    return false;
                }
                *port = "com1";
                return true;
            }};
}

struct Case {
    const char* name;
    std::function<void(SimConfig&)> line; // the simulated line and its faults
    std::vector<std::string> args;        // after "--port PORT --number 5550100"
    int status;
    std::string error; // the JSON error, "{port}" standing for the port name; "" for none
    std::function<void(const nlohmann::json&, CSimulator&)> check;
};

const std::string LongNumber = "01234567890123456789";

std::vector<Case> Cases()
{
    auto none = [](SimConfig&) {};
    return {
        {"read all", none, {"read", "--code", "3958", "--all", "--json"}, 0, "",
         [](const nlohmann::json& result, CSimulator& sim) {
             EXPECT_EQ(result["values"].size(), 21u);
             EXPECT_EQ(result["values"]["AlarmReceiver1"], sim.UnitState("5550100", 1).settings.at("AlarmReceiver1"));
             EXPECT_EQ(result["firmware"], "2.0.7");
         }},
        {"write a long number", none,
         {"write", "--code", "3958", "--set", "AlarmReceiver1=" + LongNumber, "--set", "TestAlarmTime=10", "--json"}, 0,
         "",
         [](const nlohmann::json&, CSimulator& sim) {
             EXPECT_EQ(sim.UnitState("5550100", 1).settings.at("AlarmReceiver1"), LongNumber);
             EXPECT_EQ(sim.UnitState("5550100", 1).settings.at("TestAlarmTime"), "10");
         }},
        {"busy", [](SimConfig& c) { c.lines.front().answer = SimLine::Answer::Busy; },
         {"read", "--code", "3958", "--all", "--json"}, 1, "The specified telephone number is busy!", {}},
        {"no answer", [](SimConfig& c) { c.lines.front().answer = SimLine::Answer::NoAnswer; },
         {"read", "--code", "3958", "--all", "--json"}, 1, "No answer!", {}},
        {"refused code", none, {"read", "--code", "1111", "--all", "--json"}, 1, "Invalid password entered.", {}},
        {"corrupted frames", [](SimConfig& c) { c.faults.corruptAllAnswers = true; },
         {"read", "--code", "3958", "--param", "AlarmCode1", "--json"}, 1,
         "The line is too noisy for DTMF: 5 of 5 answers failed their check.", {}},
        {"device gone", [](SimConfig& c) { c.faults.unplugWhileDialling = true; },
         {"read", "--code", "3958", "--all", "--json"}, 1,
         "The modem on serial port {port} does not take commands any more.", {}},
    };
}

std::string WithPort(std::string text, const std::string& port)
{
    const size_t at = text.find("{port}");
    if (at != std::string::npos)
        text.replace(at, 6, port);
    return text;
}

// A batch plan over the port: each row a child pravel-cli of the program (under Wine, started
// with CreateProcess), one row refused for its wrong code.
void RunBatch(const Runner& runner)
{
    SCOPED_TRACE(runner.name + ": batch");
    CSimulator sim;
    std::string error;
    SimConfig config = DefaultSimConfig();
    config.fast = true;
    ASSERT_TRUE(sim.Start(config, &error, SimLink::Pty)) << error;
    std::string port, why;
    ASSERT_TRUE(runner.connect(sim.DevicePath(), &port, &why)) << why;
    const fs::path dir = fs::path(::testing::TempDir()) / ("pravel-e2e-batch-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string plan = (dir / "plan.csv").string();
    const std::string report = (dir / "report.json").string();
    std::error_code ignored;
    fs::remove(plan + ".journal", ignored);
    fs::remove(report + ".journal", ignored);
    std::ofstream(plan) << "number,unit,code,action,AlarmReceiver1,IdBeep\n"
                           "5550100,1,3958,write,0707123456,\n"
                           "5550100,1,3958,read,,x\n"
                           "5550100,1,1111,read,,x\n";
    std::vector<std::string> command = runner.program;
    command.insert(command.end(), {"batch", plan, "--port", port, "--report", report, "--quiet"});
    const ProgramRun run = Run(command, 180s);
    EXPECT_EQ(run.status, 1) << run.err; // one row failed
    const auto rows = nlohmann::json::parse(ReadFile(report), nullptr, false);
    ASSERT_TRUE(rows.is_array() && rows.size() == 3) << ReadFile(report) << run.err;
    EXPECT_EQ(rows[0]["outcome"], "succeeded") << rows[0].dump();
    EXPECT_EQ(rows[1]["outcome"], "succeeded") << rows[1].dump();
    EXPECT_EQ(rows[1]["values"]["IdBeep"], sim.UnitState("5550100", 1).settings.at("IdBeep"));
    EXPECT_EQ(rows[2]["outcome"], "code-refused") << rows[2].dump();
    EXPECT_EQ(sim.UnitState("5550100", 1).settings.at("AlarmReceiver1"), "0707123456");
    std::printf("[ %s ] batch of 3 rows over the port: %.2f s\n", runner.name.c_str(), run.seconds);
    sim.Stop();

    // The built-in simulated modems: on Linux each call's own pravel-cli opens its pty; on
    // Windows they are memory lines inside the batch program, so it refuses before dialling.
    std::ofstream(plan) << "number,unit,code,IdBeep\n5550100,1,3958,x\n";
    fs::remove(plan + ".journal", ignored);
    command = runner.program;
    command.insert(command.end(), {"batch", plan, "--simulate", "1", "--quiet"});
    const ProgramRun simulated = Run(command, 120s);
    if (runner.name == "wine") {
        EXPECT_EQ(simulated.status, 2) << simulated.err;
        EXPECT_NE(simulated.err.find("batch --simulate is not available on this system"), std::string::npos)
            << simulated.err;
    } else {
        EXPECT_EQ(simulated.status, 0) << simulated.err;
    }
}

void RunTable(const Runner& runner)
{
    for (const Case& c : Cases()) {
        SCOPED_TRACE(runner.name + ": " + c.name);
        SimConfig config = DefaultSimConfig();
        config.fast = true;
        c.line(config);
        CSimulator sim;
        std::string error;
        ASSERT_TRUE(sim.Start(config, &error, SimLink::Pty)) << error;
        std::string port, why;
        ASSERT_TRUE(runner.connect(sim.DevicePath(), &port, &why)) << why;
        std::vector<std::string> command = runner.program;
        command.insert(command.end(), {c.args.front(), "--port", port, "--number", "5550100"});
        command.insert(command.end(), c.args.begin() + 1, c.args.end());
        ProgramRun run = Run(command);
        EXPECT_EQ(run.status, c.status) << run.err;
        const auto result = nlohmann::json::parse(run.out, nullptr, false);
        ASSERT_FALSE(result.is_discarded()) << run.out << run.err;
        if (c.error.empty()) {
            EXPECT_EQ(result["outcome"], "completed") << run.err;
        } else {
            EXPECT_EQ(result.value("error", std::string()), WithPort(c.error, port)) << run.err;
            EXPECT_NE(run.err.find(WithPort(c.error, port)), std::string::npos) << run.err;
        }
        if (c.check)
            c.check(result, sim);
        if (std::string(c.name) == "read all")
            std::printf("[ %s ] read all over the port: %.2f s\n", runner.name.c_str(), run.seconds);
    }
    // The simulator built into the program: a pty of its own on Linux, the memory line on Windows.
    ProgramRun run = Run([&] {
        std::vector<std::string> command = runner.program;
        command.insert(command.end(), {"read", "--simulate", "--all", "--json"});
        return command;
    }());
    SCOPED_TRACE(runner.name + ": --simulate");
    EXPECT_EQ(run.status, 0) << run.err;
    const auto result = nlohmann::json::parse(run.out, nullptr, false);
    ASSERT_FALSE(result.is_discarded()) << run.out << run.err;
    EXPECT_EQ(result["outcome"], "completed");
    EXPECT_EQ(result["values"].size(), 21u);
    std::printf("[ %s ] read all --simulate: %.2f s\n", runner.name.c_str(), run.seconds);
    RunBatch(runner);
}

} // namespace

TEST(PortEndToEnd, Native)
{
    RunTable(NativeRunner());
}

TEST(PortEndToEnd, UnderWine)
{
    Runner wine = WineRunner();
    if (wine.program.empty())
        GTEST_SKIP() << "PRAVEL_WINE_CLI and WINEPREFIX are not set (the test command sets them)";
    RunTable(wine);
}
