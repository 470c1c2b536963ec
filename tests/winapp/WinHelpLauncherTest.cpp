// Help: the manual beside the program, handed to the opener; no manual, or an opener that fails,
// is a failure; and the shell's message box "Failed to launch help." for it.
#include <gtest/gtest.h>

#include <fstream>
#include <filesystem>
#include <string>
#include <vector>

#include "TestFolder.h"
#include "TestRegistry.h"
#include "winapp/WinAppSettings.h"
#include "winapp/WinHelpLauncher.h"
#include "winapp/WinShellActions.h"

namespace {

void WriteManual(const std::string& folder)
{
    std::filesystem::create_directories(folder + "\\manual");
    std::ofstream(folder + "\\manual\\index.html") << "<html></html>\n";
}

struct Opened {
    std::vector<std::string> paths;
    bool succeed = true;
    CWinHelpLauncher::Opener Opener()
    {
        return [this](HWND, const std::string& path) {
            paths.push_back(path);
            return succeed;
        };
    }
};

struct Box {
    std::string text;
    std::string caption;
    UINT type = 0;
};

} // namespace

TEST(WinHelpLauncher, OpensTheManualBesideTheProgram)
{
    TestFolder folder("help-found");
    WriteManual(folder.Path());
    Opened opened;
    CWinHelpLauncher help(folder.Path(), opened.Opener());
    EXPECT_EQ(help.FindManual(), folder.Path() + "\\manual\\index.html");
    EXPECT_TRUE(help.ShowHelp(nullptr, 0x20000 + 102));
    ASSERT_EQ(opened.paths.size(), 1u);
    EXPECT_EQ(opened.paths[0], folder.Path() + "\\manual\\index.html");
    opened.succeed = false;
    EXPECT_FALSE(help.ShowHelp(nullptr, 0x20000 + 102));
}

TEST(WinHelpLauncher, WithoutAManualNothingIsOpened)
{
    TestFolder folder("help-missing");
    Opened opened;
    EXPECT_FALSE(CWinHelpLauncher(folder.Path(), opened.Opener()).ShowHelp(nullptr, 0x20000 + 102));
    // A folder of that name is no manual either.
    std::filesystem::create_directories(folder.Path() + "\\manual\\index.html");
    CWinHelpLauncher help(folder.Path(), opened.Opener());
    EXPECT_EQ(help.FindManual(), "");
    EXPECT_FALSE(help.ShowHelp(nullptr, 0x20000 + 102));
    EXPECT_FALSE(CWinHelpLauncher("", opened.Opener()).ShowHelp(nullptr, 0));
    EXPECT_TRUE(opened.paths.empty());
}

TEST(WinHelpLauncher, TheProgramFolderIsTheExecutablesOwn)
{
    std::string folder = CWinHelpLauncher::ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(std::filesystem::exists(folder + "\\winapp_tests.exe")) << folder;
}

TEST(WinShellActions, HelpThatCannotBeOpenedShowsTheMessageWithTheApplicationName)
{
    TestRegistry registry("help");
    CWinAppSettings settings(registry.Application());
    TestFolder folder("help-box");
    for (bool manual : {false, true}) {
        for (bool succeed : {false, true}) {
            SCOPED_TRACE(std::to_string(manual) + std::to_string(succeed));
            if (manual)
                WriteManual(folder.Path());
            Opened opened;
            opened.succeed = succeed;
            std::vector<Box> boxes;
            CWinShellActions shell(
                nullptr, settings, CWinHelpLauncher(folder.Path(), opened.Opener()),
                [&boxes](HWND, const std::string& text, const std::string& caption, UINT type) {
                    boxes.push_back({text, caption, type});
                    return IDOK;
                },
                [] { return std::vector<std::string>(); });
            shell.ShowHelp(nullptr, 0x20000 + 102);
            EXPECT_EQ(opened.paths.size(), manual ? 1u : 0u);
            if (manual && succeed) {
                EXPECT_TRUE(boxes.empty());
                continue;
            }
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text, "Failed to launch help.");
            EXPECT_EQ(boxes[0].caption, registry.Application());
            EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
        }
    }
}
