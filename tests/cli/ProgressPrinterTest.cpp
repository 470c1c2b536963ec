#include "cli/ProgressPrinter.h"
#include "cli/TerminalWidth.h"

#include <gtest/gtest.h>

#include <sstream>

#include "model/JobMessages.h"

TEST(ProgressPrinter, CaptionsAreTheDialogs)
{
    EXPECT_EQ(CProgressPrinter::Caption(ProgressDialing, 60), "Pravel 1.09 - Dialing (60)");
    EXPECT_EQ(CProgressPrinter::Caption(ProgressConnected, 0), "Pravel 1.09 - Connected/Logging in");
    EXPECT_EQ(CProgressPrinter::Caption(ProgressTransfer, 0), "Pravel 1.09 - Transfer");
    EXPECT_EQ(CProgressPrinter::Caption(ProgressBadCode, 0), "Pravel 1.09Invalid password entered.");
    EXPECT_EQ(CProgressPrinter::Caption(ProgressLogoff, 0), "Pravel 1.09");
    EXPECT_EQ(CProgressPrinter::Caption(ProgressEnded, 0), "Pravel 1.09");
}

TEST(ProgressPrinter, WithoutATerminalEachStageIsOneLineAndTheCountDownOnlyStarts)
{
    std::ostringstream stream;
    {
        CProgressPrinter progress(stream, false, 3);
        progress.ShowStage(ProgressDialing, 60);
        progress.ShowStage(ProgressDialing, 59);
        progress.ShowStage(ProgressDialing, 58);
        progress.ShowStage(ProgressConnected, 0);
        progress.ShowStage(ProgressTransfer, 0);
        progress.ShowTransferred(1);
        progress.ShowTransferred(3);
        progress.ShowStage(ProgressLogoff, 0);
        progress.ShowStage(ProgressEnded, 0);
    }
    EXPECT_EQ(stream.str(), "Pravel 1.09 - Dialing (60)\n"
                            "Pravel 1.09 - Connected/Logging in\n"
                            "Pravel 1.09 - Transfer\n");
}

TEST(ProgressPrinter, OnATerminalTheLineIsRedrawnWithCountDownAndBar)
{
    std::ostringstream stream;
    CProgressPrinter progress(stream, true, 4);
    progress.ShowStage(ProgressDialing, 60);
    progress.ShowStage(ProgressDialing, 59);
    progress.ShowStage(ProgressTransfer, 0);
    progress.ShowTransferred(2);
    progress.ShowTransferred(2); // nothing new: not drawn again
    progress.ShowStage(ProgressEnded, 0);
    progress.Finish();
    const std::string text = stream.str();
    EXPECT_NE(text.find("\rPravel 1.09 - Dialing (60)\033[K"), std::string::npos);
    EXPECT_NE(text.find("\rPravel 1.09 - Dialing (59)\033[K"), std::string::npos);
    EXPECT_NE(text.find("\rPravel 1.09 - Transfer [....................] 0/4\033[K"), std::string::npos) << text;
    EXPECT_NE(text.find("\rPravel 1.09 - Transfer [##########..........] 2/4\033[K"), std::string::npos) << text;
    EXPECT_EQ(text.find("2/4"), text.rfind("2/4"));
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(text.find('\n'), text.size() - 1); // one line, ended once
}

TEST(ProgressPrinter, TheRedrawnLineFitsTheTerminal)
{
    std::ostringstream stream;
    CProgressPrinter progress(stream, true, 4);
    progress.SetColumns(30);
    progress.ShowStage(ProgressTransfer, 0);
    progress.Finish();
    // 29 columns used: 26 characters of the line and the mark of the cut.
    EXPECT_EQ(stream.str(), "\rPravel 1.09 - Transfer [.....\033[K\n");
}

TEST(ProgressPrinter, FitToWidthCutsCharactersNotBytes)
{
    struct Case {
        std::string line;
        int columns;
        std::string shown;
    } cases[] = {
        {"0123456789", 0, "0123456789"},   // width unknown: as it is
        {"0123456789", 11, "0123456789"},  // fits in columns - 1
        {"0123456789", 10, "012345..."},
        {"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", 6, "\xC3\xA9\xC3\xA9..."},
        {"abc", 2, "a"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FitToWidth(c.line, c.columns), c.shown) << c.line << " " << c.columns;
}
