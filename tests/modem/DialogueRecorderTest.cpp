// The trace file a technician sends us: its header, and each of the driver's trace forms as the
// record it becomes.
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "modem/DialogueRecorder.h"
#include "modem/DialogueTraceScope.h"

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The records without their milliseconds.
std::vector<std::string> Records(const std::string& text)
{
    std::vector<std::string> records;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        records.push_back(line.substr(line.find(' ') + 1));
    }
    return records;
}

TEST(DialogueRecorderTest, WritesTheHeaderAndEveryForm)
{
    const std::string path = ::testing::TempDir() + "dialogue-recorder-test.trace";
    CDialogueRecorder recorder;
    std::string error;
    ASSERT_TRUE(recorder.Open(path, {"pravel-cli 1.0", "v253", "/dev/ttyUSB0", "9600 8N1"}, &error)) << error;
    InstallDialogueRecorder(&recorder);
    RecordDialogue(">", "AT+VTS=1\r\n");
    RecordDialogue("<", "OK");
    RecordDialogue("<", "DLE 5");
    RecordDialogue("<", "DLE / (ignored)");
    RecordDialogue("<", "DLE \x7F (ignored)");
    RecordDialogue("<", "DLE is a line, not a code");
    RecordDialogue("<", "back\\slash");
    InstallDialogueRecorder(nullptr);
    RecordDialogue("<", "not recorded");
    EXPECT_TRUE(recorder.Close());

    const std::string text = ReadAll(path);
    EXPECT_EQ(text.rfind("# Pravel modem trace, format 1\n# program: pravel-cli 1.0\n# profile: v253\n"
                         "# port: /dev/ttyUSB0 9600 8N1\n# started: ",
                         0),
              0u)
        << text;
    const std::vector<std::string> expected = {"> AT+VTS=1\\r\\n", "< OK", "~ 5", "~ /", "~ \\x7F",
                                               "< DLE is a line, not a code", "< back\\\\slash"};
    EXPECT_EQ(Records(text), expected);
    std::remove(path.c_str());
}

TEST(DialogueRecorderTest, AFileThatCannotBeCreatedSaysWhy)
{
    CDialogueRecorder recorder;
    std::string error;
    EXPECT_FALSE(recorder.Open("/nonexistent-dir/x.trace", {}, &error));
    EXPECT_NE(error.find("/nonexistent-dir/x.trace"), std::string::npos);
}

} // namespace

namespace {

TEST(DialogueTraceScopeTest, RecordsWhileItLivesAndNothingWithoutAFile)
{
    const std::string path = ::testing::TempDir() + "dialogue-trace-scope-test.trace";
    std::string problem;
    {
        CDialogueTraceScope none;
        EXPECT_TRUE(none.Start("", "pravel 1.0", "auto", "com1", &problem));
        RecordDialogue("<", "not recorded");
    }
    {
        CDialogueTraceScope scope;
        ASSERT_TRUE(scope.Start(path, "pravel 1.0", "hash", "com3", &problem)) << problem;
        RecordDialogue(">", "ATZ\r\n");
        EXPECT_TRUE(scope.Finish(&problem));
        RecordDialogue("<", "after the end");
    }
    const std::string text = ReadAll(path);
    EXPECT_NE(text.find("# program: pravel 1.0\n# profile: hash\n# port: com3 9600 8N1\n"), std::string::npos) << text;
    EXPECT_EQ(Records(text), std::vector<std::string>{"> ATZ\\r\\n"});
    std::remove(path.c_str());
}

// The desktop programs' setting changed while they run: the first file is closed whole, the new
// one gets what follows, and an empty name stops the trace.
TEST(DialogueTraceScopeTest, RestartGoesOnInTheNewFileAndAnEmptyNameStops)
{
    const std::string first = ::testing::TempDir() + "dialogue-trace-restart-1.trace";
    const std::string second = ::testing::TempDir() + "dialogue-trace-restart-2.trace";
    std::string problem;
    CDialogueTraceScope scope;
    ASSERT_TRUE(scope.Restart(first, "pravel 1.0", "auto", "com1", &problem)) << problem;
    RecordDialogue(">", "ATZ\r\n");
    ASSERT_TRUE(scope.Restart(second, "pravel 1.0", "v253", "com2", &problem)) << problem;
    RecordDialogue(">", "ATE0\r\n");
    ASSERT_TRUE(scope.Restart("", "pravel 1.0", "v253", "com2", &problem)) << problem;
    RecordDialogue("<", "not recorded");
    EXPECT_EQ(Records(ReadAll(first)), std::vector<std::string>{"> ATZ\\r\\n"});
    const std::string text = ReadAll(second);
    EXPECT_NE(text.find("# profile: v253\n# port: com2 9600 8N1\n"), std::string::npos) << text;
    EXPECT_EQ(Records(text), std::vector<std::string>{"> ATE0\\r\\n"});
    std::remove(first.c_str());
    std::remove(second.c_str());
}

} // namespace
