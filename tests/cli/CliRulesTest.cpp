// What pravel-cli refuses before it dials, and what it says: one table over the messages and exit
// statuses of bad input, whether typed or loaded from a parameter file; then the save rules.
#include <gtest/gtest.h>

#include <sys/file.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>

#include <nlohmann/json.hpp>

#include "cli/CliTestSupport.h"

using nlohmann::json;

namespace {

// The fields of a version 3 file by name, as another program (or a damaged disk) may have
// written them: nothing here is cut to the dialog's limits.
struct FileFields {
    std::string number = "5550100";
    std::string code = "3958";
    std::string alarmReceiver1 = "0612345678";
    std::string alarmType = "10";
    std::string alarmButtonDelay = "4";
    uint32_t mask = 0x1; // AlarmReceiver1 ticked
};

void WriteFile(const std::string& path, const FileFields& f)
{
    std::vector<uint8_t> bytes = {'O', 'X', 'L', '!'};
    AppendWord(bytes, 3);
    AppendWord(bytes, 0);
    AppendWord(bytes, f.mask & 0xFFFF);
    for (const std::string& text :
         {f.number, f.code, f.alarmReceiver1, std::string("222"), std::string("333"), std::string("444"),
          std::string("11"), std::string("22"), std::string("33"), std::string("44"), std::string(), std::string(),
          std::string(), std::string(), std::string("1"), std::string("0"), std::string(), std::string("0"),
          std::string("10"), f.alarmButtonDelay})
        AppendText(bytes, text);
    AppendWord(bytes, f.mask >> 16);
    AppendText(bytes, f.alarmType);
    AppendText(bytes, "0");
    AppendText(bytes, "0");
    AppendWord(bytes, 0); // unit 1
    AppendText(bytes, "");
    AppendText(bytes, "");
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string TempPath(const std::string& name)
{
    return (std::filesystem::path(::testing::TempDir()) / name).string();
}

class CliRules : public SimulatedLineTest {
protected:
    std::string File(const std::string& name, const FileFields& fields)
    {
        std::string path = TempPath(name);
        WriteFile(path, fields);
        m_files.push_back(path);
        return path;
    }
    void TearDown() override
    {
        for (const std::string& path : m_files)
            std::remove(path.c_str());
        SimulatedLineTest::TearDown();
    }
    std::vector<std::string> m_files;
};

FileFields With(void (*change)(FileFields&))
{
    FileFields fields;
    change(fields);
    return fields;
}

} // namespace

TEST_F(CliRules, BadInputIsRefusedWithItsMessageAndNothingIsDialled)
{
    StartLine();
    SimUnit before = Unit();
    const std::string thirty(30, '5');
    const std::string port = m_sim.DevicePath();
    auto fileWrite = [&](const std::string& name, void (*change)(FileFields&)) {
        return std::vector<std::string>{"write", "--port", port, "--file", File(name, With(change))};
    };
    struct Case {
        std::vector<std::string> args;
        std::string message; // the whole line after "pravel-cli: "
    };
    const std::vector<Case> cases = {
        // Typed and loaded values keep the same rules, with the same words.
        {{"write", "--port", port, "--number", thirty, "--code", "3958", "--set", "AlarmCode1=1"}, "Telephone number: at most 20 characters."},
        {fileWrite("long-number.oxl", [](FileFields& f) { f.number = std::string(30, '5'); }),
         "Telephone number: at most 20 characters."},
        {{"write", "--port", port, "--number", "5550100", "--code", "39581", "--set", "AlarmCode1=1"},
         "Programming code: enter the unit's code of exactly four digits."},
        {fileWrite("long-code.oxl", [](FileFields& f) { f.code = "39581"; }),
         "Programming code: enter the unit's code of exactly four digits."},
        {Job("write", {"--set", "AlarmReceiver1=" + std::string(25, '7')}), "AlarmReceiver1: at most 20 characters."},
        {fileWrite("long-receiver.oxl", [](FileFields& f) { f.alarmReceiver1 = std::string(25, '7'); }),
         "AlarmReceiver1: at most 20 characters."},
        {fileWrite("bad-delay.oxl",
                   [](FileFields& f) {
                       f.alarmButtonDelay = "1";
                       f.mask = 0x4000;
                   }),
         "AlarmButtonDelay: choose a value from 2 to 30."},
        {fileWrite("bad-type.oxl",
                   [](FileFields& f) {
                       f.alarmType = "ab";
                       f.mask = 0x8000;
                   }),
         "AlarmType: digits only."},
        // Numbers keep their ranges; the kind is checked before the length.
        {Job("write", {"--set", "AlarmButtonDelay=0"}), "AlarmButtonDelay: choose a value from 2 to 30."},
        {Job("write", {"--set", "AlarmButtonDelay=1"}), "AlarmButtonDelay: choose a value from 2 to 30."},
        {Job("write", {"--set", "AlarmButtonDelay=31"}), "AlarmButtonDelay: choose a value from 2 to 30."},
        {Job("write", {"--set", "AlarmButtonDelay=99"}), "AlarmButtonDelay: choose a value from 2 to 30."},
        {Job("write", {"--set", "AlarmButtonDelay="}), "AlarmButtonDelay: choose a value from 2 to 30."},
        {Job("write", {"--set", "AlarmType=abc"}), "AlarmType: digits only."},
        {Job("write", {"--set", "AlarmType=100"}), "AlarmType: at most 2 characters."},
        {Job("write", {"--set", "PhoneAcknowledge=3"}), "PhoneAcknowledge: choose a value from 0 to 2."},
        // Wording.
        {fileWrite("none-ticked.oxl", [](FileFields& f) { f.mask = 0; }),
         "Nothing to write: " + TempPath("none-ticked.oxl") +
             " has no ticked parameter; choose parameters with --set NAME=VALUE or --param NAME."},
        {{"show", TempPath("no-such-file.oxl")}, TempPath("no-such-file.oxl") + " was not found."},
        {{"write", "--port", port, "--file", TempPath("no-such-file.oxl")},
         TempPath("no-such-file.oxl") + " was not found."},
        // A save that could not be made is found out before the call.
        {Job("read", {"--all", "--save", "/nonexistent-dir/x.oxl"}),
         "/nonexistent-dir/x.oxl cannot be saved: the folder /nonexistent-dir does not exist."},
        {Job("read", {"--all", "--save", ::testing::TempDir()}),
         ::testing::TempDir() + " is a folder: give the name of the file to save to."},
        {Job("read", {"--all", "--save", ""}), "The file name is empty."},
        // A read is said to be one, with its cause.
        {{"show", ::testing::TempDir()}, ::testing::TempDir() + " is a folder, not a parameter file."},
        {{"write", "--port", port, "--file", "/dev/null"},
         "/dev/null is not a regular file (a device, a pipe or a socket): it cannot be read as a parameter file."},
        {{"show", "/nonexistent-dir/x.oxl"}, "/nonexistent-dir/x.oxl was not found: the folder /nonexistent-dir does "
                                             "not exist."},
        {{"show", ""}, "The file name is empty."},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const auto& a : c.args)
            line += a + " ";
        CliRun run = RunCli(c.args);
        EXPECT_EQ(run.status, 2) << line << "\n" << run.err;
        EXPECT_EQ(run.err, "pravel-cli: " + c.message + "\n") << line;
        EXPECT_EQ(run.out, "") << line;
    }
    EXPECT_EQ(Unit().settings, before.settings);
    EXPECT_EQ(Unit().programmingCode, before.programmingCode);
}

TEST_F(CliRules, UsageErrorsUnderJsonArePrintedAsJson)
{
    StartLine();
    const std::vector<std::vector<std::string>> cases = {
        Job("write", {"--set", "AlarmButtonDelay=1", "--json"}), // our own check
        Job("read", {"--json", "--no-such-option"}),             // the parser's
        {"read", "--simulate", "--json"},                          // neither --all nor --param
        {"show", TempPath("no-such-file.oxl"), "--json"},
        {"no-such-command", "--json"},
    };
    for (const auto& args : cases) {
        CliRun run = RunCli(args);
        EXPECT_EQ(run.status, 2) << args[0] << " " << args.back();
        json result = json::parse(run.out, nullptr, false);
        ASSERT_TRUE(result.is_object()) << run.out;
        EXPECT_EQ(result["status"], 2);
        EXPECT_TRUE(result["error"].is_string() && !result["error"].get<std::string>().empty()) << run.out;
        EXPECT_FALSE(run.err.empty());
    }
}

TEST_F(CliRules, AFailedReadLeavesAnExistingFileAsItWasUnlessPartIsAskedFor)
{
    StartLine();
    SimFaults faults;
    faults.busyToneAfterLogin = true; // logged in, then the line drops: nothing more is read
    m_sim.InjectFaults(faults);
    FileFields old;
    old.alarmReceiver1 = "0111111111";
    const std::string path = File("read-partial.oxl", old);

    CliRun run = RunCli(Job("read", {"--all", "--save", path}));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(path + " was not written: the read did not complete"), std::string::npos) << run.err;
    CliRun show = RunCli({"show", path, "--json"});
    ASSERT_EQ(show.status, 0) << show.err;
    EXPECT_EQ(json::parse(show.out)["values"]["AlarmReceiver1"], "0111111111");

    m_sim.InjectFaults(faults);
    CliRun partial = RunCli(Job("read", {"--all", "--save", path, "--save-partial", "--json"}));
    EXPECT_EQ(partial.status, 1);
    show = RunCli({"show", path, "--json"});
    ASSERT_EQ(show.status, 0) << show.err;
    json file = json::parse(show.out);
    EXPECT_EQ(file["values"]["AlarmReceiver1"], ""); // the dialog's start value: not read
    EXPECT_EQ(file["selected"].size(), 21u);          // and every box still ticked

    CliRun needsSave = RunCli(Job("read", {"--all", "--save-partial"}));
    EXPECT_EQ(needsSave.status, 2);
}

TEST_F(CliRules, AFifoIsRefusedAtOnceByShowAndBySave)
{
    const std::string fifo = TempPath("cli-rules.fifo");
    std::remove(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::vector<std::string>& args : {std::vector<std::string>{"show", fifo},
                                                 std::vector<std::string>{"read", "--simulate", "--all", "--save", fifo}}) {
        auto run = std::async(std::launch::async, [&] { return RunCli(args); });
        if (run.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            ADD_FAILURE() << args[0] << " hung on a FIFO";
            // Release the command stuck on the FIFO, so that the test can end: a reader for one
            // stuck writing, a writer that leaves at once for one stuck reading.
            int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
            int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0)
                ::close(writer);
            char sink[512];
            while (run.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
                (void)!::read(reader, sink, sizeof sink);
            if (reader >= 0)
                ::close(reader);
        }
        CliRun result = run.get();
        EXPECT_EQ(result.status, 2) << args[0] << "\n" << result.err;
        EXPECT_EQ(result.err.find("Dialing"), std::string::npos) << result.err;
    }
    std::remove(fifo.c_str());
}

// A file another program is saving (it holds the lock) cannot be read now: said as a read.
TEST_F(CliRules, AFileBeingSavedIsSaidNotToBeReadable)
{
    const std::string path = File("locked.oxl", FileFields{});
    const int holder = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    CliRun run = RunCli({"show", path});
    ::close(holder);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "pravel-cli: Failed to read file (A sharing violation occurred while accessing " + path + ".)\n");
}
