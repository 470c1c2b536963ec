// A message of several lines becomes one line in the status line, the same in both dialogs.
#include <gtest/gtest.h>

#include <string>

#include "form/StatusLineText.h"
#include "model/StringTable.h"

namespace {

struct Case {
    const char* message;
    const char* line;
};

const Case Cases[] = {
    {"", ""},
    {"Read all finished: 21 of 21 values", "Read all finished: 21 of 21 values"},
    {"Can't open serial port com3\nThe device does not exist.", "Can't open serial port com3: The device does not exist."},
    {"Can't open serial port com3\r\nThe device does not exist.", "Can't open serial port com3: The device does not exist."},
    {"No answer!\rThe line is busy.", "No answer! The line is busy."},
    {"The file is damaged.\n\nSome values were loaded.\n", "The file is damaged. Some values were loaded."},
    {"  first  \n\t second\t", "first: second"},
    {"\n\n\n", ""},
    {"a\tb\x01" "c", "a b c"},
    {"Reason:\nnone", "Reason: none"},
};

TEST(StatusLineText, JoinsTheLinesOfAMessage)
{
    for (const Case& c : Cases) {
        const std::string line = StatusLineText(c.message);
        EXPECT_EQ(line, c.line) << "message: " << c.message;
        EXPECT_EQ(line.find_first_of("\r\n\t"), std::string::npos) << line;
    }
}

TEST(StatusLineText, ThePortErrorKeepsBothLines)
{
    // The port error as the job side writes it: what failed, and below it why.
    const std::string first = FormatString(IDS_CANT_OPEN_PORT, {"com3"});
    const std::string reason = LoadString(IDS_PORT_NOT_FOUND);
    EXPECT_EQ(StatusLineText(first + "\n" + reason), first + ": " + reason);
}

} // namespace
