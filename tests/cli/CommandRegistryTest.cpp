#include "cli/CommandRegistry.h"

#include <gtest/gtest.h>

#include "cli/CliTestSupport.h"

TEST(CommandRegistry, KnowsReadWriteBatchShowAndPorts)
{
    std::vector<std::string> names;
    for (const auto& command : MakeCommands())
        names.push_back(command->Name());
    EXPECT_EQ(names, (std::vector<std::string>{"read", "write", "batch", "show", "ports", "modem"}));
    EXPECT_TRUE(MakeCommand("show"));
    EXPECT_FALSE(MakeCommand("erase"));
}

TEST(CommandRegistry, UsageAndHelp)
{
    CliRun none = RunCli({});
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.err.find("Usage: pravel-cli COMMAND"), std::string::npos);

    CliRun help = RunCli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("write"), std::string::npos);
    EXPECT_NE(help.out.find("PRAVEL_PORT"), std::string::npos);
    EXPECT_NE(help.out.find("~/.config/pravel/pravel-cli.conf"), std::string::npos);
    CliRun readHelp = RunCli({"read", "--help"});
    EXPECT_NE(readHelp.out.find("PRAVEL_MODEM"), std::string::npos) << readHelp.out;

    CliRun unknown = RunCli({"erase"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("unknown command 'erase'"), std::string::npos);

    for (const char* name : {"read", "write", "show"}) {
        CliRun commandHelp = RunCli({name, "--help"});
        EXPECT_EQ(commandHelp.status, 0) << name;
        EXPECT_NE(commandHelp.out.find("--json"), std::string::npos) << name;
        EXPECT_EQ(commandHelp.err, "") << name;
    }

    CliRun badOption = RunCli({"read", "--colour"});
    EXPECT_EQ(badOption.status, 2);
    EXPECT_NE(badOption.err.find("--colour"), std::string::npos) << badOption.err;

    CliRun version = RunCli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "pravel-cli 1.09\n");
}
