// Defaults for --port and --modem: the option over the environment over the file.
#include "cli/CliDefaults.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>

#include <nlohmann/json.hpp>

#include "cli/CliTestSupport.h"

namespace fs = std::filesystem;

namespace {

EnvironmentLookup Environment(const std::map<std::string, std::string>& values)
{
    return [values](const char* name) -> const char* {
        auto found = values.find(name);
        return found == values.end() ? nullptr : found->second.c_str();
    };
}

std::string WriteConf(const std::string& name, const std::string& text)
{
    const std::string path = (fs::path(::testing::TempDir()) / name).string();
    std::ofstream(path) << text;
    return path;
}

} // namespace

TEST(CliDefaults, EnvironmentOverFileAndTheFileIsOptional)
{
    const std::string conf =
        WriteConf("defaults.conf", "# the bench modem\n\nPRAVEL_PORT = /dev/ttyUSB3\r\nPRAVEL_MODEM=v253\n");
    struct Case {
        std::map<std::string, std::string> environment;
        std::string path;
        std::string port;
        std::string modem;
    } cases[] = {
        {{}, conf, "/dev/ttyUSB3", "v253"},
        {{{"PRAVEL_PORT", "/dev/ttyACM0"}}, conf, "/dev/ttyACM0", "v253"},
        {{{"PRAVEL_MODEM", "hash"}}, conf, "/dev/ttyUSB3", "hash"},
        {{{"PRAVEL_PORT", "COM3"}, {"PRAVEL_MODEM", "auto"}}, "", "COM3", "auto"},
        {{}, conf + ".missing", "", ""},
        {{{"PRAVEL_PORT", ""}}, conf, "/dev/ttyUSB3", "v253"}, // set empty: not set
    };
    for (const Case& c : cases) {
        CliDefaults defaults;
        std::string problem;
        ASSERT_TRUE(ReadCliDefaults(Environment(c.environment), c.path, &defaults, &problem)) << problem;
        EXPECT_EQ(defaults.port, c.port) << c.path;
        EXPECT_EQ(defaults.modem, c.modem) << c.path;
    }
    fs::remove(conf);
}

TEST(CliDefaults, BadFilesAndValuesAreNamedWithTheirPlace)
{
    struct Case {
        std::string text;
        std::map<std::string, std::string> environment;
        std::string problem; // after the path
    } cases[] = {
        {"PRAVEL_PORT\n", {}, ":1: expected KEY=VALUE, not 'PRAVEL_PORT'."},
        {"# code\nPRAVEL_CODE=3958\n", {}, ":2: unknown key 'PRAVEL_CODE' (the keys are PRAVEL_PORT and PRAVEL_MODEM)."},
        {"PRAVEL_MODEM=v.253\n", {}, ":1: the modem profile must be auto, hash or v253, not 'v.253'."},
    };
    for (const Case& c : cases) {
        const std::string path = WriteConf("bad.conf", c.text);
        CliDefaults defaults;
        std::string problem;
        EXPECT_FALSE(ReadCliDefaults(Environment(c.environment), path, &defaults, &problem));
        EXPECT_EQ(problem, path + c.problem);
        fs::remove(path);
    }
    CliDefaults defaults;
    std::string problem;
    EXPECT_FALSE(ReadCliDefaults(Environment({{"PRAVEL_MODEM", "usr"}}), "", &defaults, &problem));
    EXPECT_EQ(problem, "PRAVEL_MODEM: the modem profile must be auto, hash or v253, not 'usr'.");
}

TEST(CliDefaults, TheFileIsLookedForInTheUsersConfigurationFolder)
{
    EXPECT_EQ(CliDefaultsPath(Environment({{"HOME", "/home/tech"}})), "/home/tech/.config/pravel/pravel-cli.conf");
    EXPECT_EQ(CliDefaultsPath(Environment({{"HOME", "/home/tech"}, {"XDG_CONFIG_HOME", "/cfg"}})),
              "/cfg/pravel/pravel-cli.conf");
    EXPECT_EQ(CliDefaultsPath(Environment({})), "");
}

class CliDefaultsCommand : public SimulatedLineTest {
protected:
    void SetUp() override
    {
        SimulatedLineTest::SetUp();
        m_config = fs::path(::testing::TempDir()) / "cli-defaults-config";
        fs::create_directories(m_config / "pravel");
        ::setenv("XDG_CONFIG_HOME", m_config.c_str(), 1);
    }
    void TearDown() override
    {
        ::unsetenv("XDG_CONFIG_HOME");
        ::unsetenv("PRAVEL_PORT");
        ::unsetenv("PRAVEL_MODEM");
        fs::remove_all(m_config);
        SimulatedLineTest::TearDown();
    }
    fs::path m_config;
};

// The port from the file, then from the environment over a wrong one in the file, then the
// option over a wrong one in the environment.
TEST_F(CliDefaultsCommand, ThePortComesFromOptionEnvironmentOrFile)
{
    StartLine();
    const std::vector<std::string> read = {"read", "--number", "5550100", "--code", "3958", "--param", "AlarmCode1",
                                           "--json"};
    std::ofstream(m_config / "pravel" / "pravel-cli.conf") << "PRAVEL_PORT=" << m_sim.DevicePath() << "\n";
    CliRun run = RunCli(read);
    EXPECT_EQ(run.status, 0) << run.err;

    std::ofstream(m_config / "pravel" / "pravel-cli.conf") << "PRAVEL_PORT=/dev/pravel-no-such-port\n";
    ::setenv("PRAVEL_PORT", m_sim.DevicePath().c_str(), 1);
    run = RunCli(read);
    EXPECT_EQ(run.status, 0) << run.err;

    ::setenv("PRAVEL_PORT", "/dev/pravel-no-such-port", 1);
    std::vector<std::string> withPort = read;
    withPort.insert(withPort.end(), {"--port", m_sim.DevicePath()});
    run = RunCli(withPort);
    EXPECT_EQ(run.status, 0) << run.err;

    run = RunCli(read);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("/dev/pravel-no-such-port"), std::string::npos) << run.err;

    // A profile the modem refuses, from the environment, is used: the simulated '#' modem refuses V.253.
    ::setenv("PRAVEL_PORT", m_sim.DevicePath().c_str(), 1);
    ::setenv("PRAVEL_MODEM", "v253", 1);
    run = RunCli(read);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("AT+FCLASS=8"), std::string::npos) << run.out;
    std::vector<std::string> withModem = read;
    withModem.insert(withModem.end(), {"--modem", "auto"});
    run = RunCli(withModem);
    EXPECT_EQ(run.status, 0) << run.err;
}
