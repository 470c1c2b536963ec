// The native Windows dialog under Wine: created modeless on the test's thread and driven by
// control id (BM_CLICK, WM_COMMAND, SetDlgItemText), with the thread's messages pumped while a
// condition is awaited. What is tested here is what the Win32 dialog adds to the dialog rules
// (which tests/form covers on the in-memory items): the resource against the control table, the
// controls' limits and lists, the job messages as window messages with their texts' ownership,
// a job over the in-process simulator, the file dialogs' Save and Load, and the shell commands.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "WinDialogHarness.h"
#include "form/DialogResourceScript.h"
#include "form/MainDialogTemplate.h"
#include "form/TooltipTable.h"
#include "model/ComPortName.h"
#include "model/DialogIds.h"
#include "model/JobMessages.h"
#include "model/ParameterTable.h"
// windows.h names its own LoadStringA so; ours is the string table's.
#undef LoadString
#include "model/StringTable.h"
#include "sim/Simulator.h"
#include "winui/WinRemoteDlg.h"
#include "winui/WinTooltips.h"

namespace {

constexpr DWORD JobTimeoutMs = 60000;

class WinDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        dialog = std::make_unique<CWinRemoteDlg>(GetModuleHandleA(nullptr), &shell);
        dialog->SetPrompts(&prompts);
        hwnd = dialog->Create();
        ASSERT_NE(hwnd, nullptr) << "CreateDialogParamA failed: " << GetLastError();
        ShowWindow(hwnd, SW_SHOW);
        UpdateWindow(hwnd);
        PumpPending(hwnd);
    }
    void TearDown() override
    {
        dialog.reset();
        PumpPending(nullptr);
        if (sim)
            sim->Stop();
        sim.reset();
    }
    void StartSimulator()
    {
        SimConfig config = DefaultSimConfig();
        config.fast = true;
        sim = std::make_unique<CSimulator>();
        std::string error;
        ASSERT_TRUE(sim->Start(config, &error)) << error;
        SetComPortName(sim->DevicePath());
        dialog->SetItemText(IDC_PHONE_NUMBER, "5550100");
    }
    void Click(int id) { SendMessageA(GetDlgItem(hwnd, id), BM_CLICK, 0, 0); }
    bool WaitForJobEnd()
    {
        return PumpUntil(hwnd, [this] { return !dialog->IsJobRunning(); }, JobTimeoutMs);
    }
    std::string ClassOf(int id) const
    {
        char name[64] = {};
        GetClassNameA(GetDlgItem(hwnd, id), name, sizeof name);
        return name;
    }

    CFakeShell shell;
    CFakePrompts prompts;
    std::unique_ptr<CWinRemoteDlg> dialog;
    std::unique_ptr<CSimulator> sim;
    HWND hwnd = nullptr;
};

} // namespace

TEST_F(WinDialog, ResourceHoldsEveryControlOfTheTemplateWithItsClassTextAndPlace)
{
    EXPECT_EQ(dialog->Caption(), "Pravel 1.09");
    for (int i = 0; i < MainDialogTemplate.controlCount; ++i) {
        const ControlTemplate& control = MainDialogTemplate.controls[i];
        if (control.id == NoControlId)
            continue;
        SCOPED_TRACE("control " + std::to_string(control.id));
        HWND item = GetDlgItem(hwnd, control.id);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(lstrcmpiA(ClassOf(control.id).c_str(), ResourceStyle(control).windowClass), 0) << ClassOf(control.id);
        if (control.kind == ControlKind::UpDown)
            continue; // placed by its buddy: at the buddy's right edge
        RECT expected{control.x, control.y, control.x + control.w, control.y + control.h};
        MapDialogRect(hwnd, &expected);
        RECT actual;
        GetWindowRect(item, &actual);
        MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
        bool textual = control.kind == ControlKind::PushButton || control.kind == ControlKind::CheckBox ||
                       control.kind == ControlKind::RadioButton;
        if (textual && control.id != IDC_CLOSE) {
            EXPECT_EQ(dialog->GetItemText(control.id), control.text);
        }
        LONG style = GetWindowLongA(item, GWL_STYLE);
        if (control.kind == ControlKind::Edit) {
            EXPECT_EQ((style & ES_NUMBER) != 0, (control.style & StyleDigitsOnly) != 0);
        }
    }
}

TEST_F(WinDialog, EditsAreLimitedAndCombosFilledFromTheTables)
{
    auto limit = [this](int id) { return SendDlgItemMessageA(hwnd, id, EM_GETLIMITTEXT, 0, 0); };
    EXPECT_EQ(limit(IDC_PHONE_NUMBER), 20);
    EXPECT_EQ(limit(IDC_PROGRAMMING_CODE), 4);
    for (int row = 0; row < ParameterCount; ++row) {
        const ParameterDescriptor& p = ParameterTable[row];
        if (p.kind == KindText && p.maxLength > 0) {
            EXPECT_EQ(limit(p.valueControlId), p.maxLength) << p.name;
        }
    }
    EXPECT_EQ(SendDlgItemMessageA(hwnd, IDC_TEST_ALARM_TIME, CB_GETCOUNT, 0, 0), TestAlarmTimeItems);
    EXPECT_EQ(SendDlgItemMessageA(hwnd, IDC_PHONE_ACKNOWLEDGE, CB_GETCOUNT, 0, 0), PhoneAcknowledgeItems);
    EXPECT_EQ(dialog->GetItemText(IDC_TEST_ALARM_TIME), "(Deactivated)");
    EXPECT_EQ(dialog->GetItemText(IDC_PHONE_ACKNOWLEDGE), "Standard");
    // The spin controls keep to their ranges and write into their buddies.
    int low = 0, high = 0;
    SendDlgItemMessageA(hwnd, IDC_ALARM_BUTTON_DELAY_SPIN, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                        reinterpret_cast<LPARAM>(&high));
    EXPECT_EQ(low, 2);
    EXPECT_EQ(high, 30);
    // The initialisation's own values ticked nothing.
    for (int row = 0; row < ParameterCount; ++row)
        EXPECT_FALSE(dialog->IsButtonChecked(ParameterTable[row].updateBoxId)) << ParameterTable[row].name;
    SendDlgItemMessageA(hwnd, IDC_ALARM_TYPE_SPIN, UDM_SETPOS32, 0, 42);
    EXPECT_EQ(dialog->GetItemText(IDC_ALARM_TYPE), "42");
    EXPECT_TRUE(dialog->IsButtonChecked(1048)); // a change by the spin control is a change
}

TEST_F(WinDialog, TypingIntoAControlTicksItsUpdateBoxAndEnablesRead)
{
    EXPECT_FALSE(dialog->IsItemEnabled(ID_READ_ALL)); // no number yet
    SetDlgItemTextA(hwnd, IDC_PHONE_NUMBER, "5550100");
    EXPECT_TRUE(dialog->IsItemEnabled(ID_READ_ALL));
    EXPECT_FALSE(dialog->IsItemEnabled(ID_READ));
    SetDlgItemTextA(hwnd, 1000, "112");
    EXPECT_TRUE(dialog->IsButtonChecked(1010));
    Click(1030); // dial tone detection
    EXPECT_TRUE(dialog->IsButtonChecked(1037));
    SendDlgItemMessageA(hwnd, IDC_PHONE_ACKNOWLEDGE, CB_SETCURSEL, 2, 0);
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDC_PHONE_ACKNOWLEDGE, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(hwnd, IDC_PHONE_ACKNOWLEDGE)));
    EXPECT_TRUE(dialog->IsButtonChecked(1060));
    EXPECT_TRUE(dialog->IsItemEnabled(ID_READ));
    EXPECT_TRUE(dialog->IsItemEnabled(ID_WRITE));
}

TEST_F(WinDialog, TooltipsCoverTheTableRows)
{
    HWND tips = dialog->Tooltips();
    ASSERT_NE(tips, nullptr);
    int rows = 0;
    for (const TooltipEntry* row = TooltipTable; row->controlId != 0; ++row, ++rows) {
        // TTM_GETTEXTA of the older tooltip control hands back the first 80 characters only.
        std::string text = LoadString(static_cast<int>(row->stringId));
        std::string shown = TooltipText(tips, hwnd, row->controlId);
        EXPECT_TRUE(shown == text || (shown.size() >= 79 && text.compare(0, shown.size(), shown) == 0))
            << row->controlId << ": " << shown;
    }
    // A push button has its window tool and the dialog's rectangle over it.
    int pushButtons = 0;
    for (const TooltipEntry* row = TooltipTable; row->controlId != 0; ++row)
        if (ClassOf(row->controlId) == "Button" &&
            (GetWindowLongA(GetDlgItem(hwnd, row->controlId), GWL_STYLE) & BS_TYPEMASK) <= BS_DEFPUSHBUTTON)
            ++pushButtons;
    EXPECT_EQ(pushButtons, 8);
    // And the status line has its tip, for the text it cuts.
    EXPECT_EQ(TooltipToolCount(tips), rows + pushButtons + 1);
    EXPECT_EQ(TooltipText(tips, hwnd, 1022), TooltipText(tips, hwnd, 1027));
    EXPECT_NE(GetWindowLongA(tips, GWL_STYLE) & TTS_ALWAYSTIP, 0);
}

TEST_F(WinDialog, DisabledReadAndWriteShowTheirTipsWhenTheMouseRestsOnThem)
{
    HWND tips = dialog->Tooltips();
    ASSERT_NE(tips, nullptr);
    CMouseLock mouse;
    // On top, low on the screen: other tests' windows on the same display stay off the buttons.
    SetWindowPos(hwnd, HWND_TOPMOST, 300, 200, 0, 0, SWP_NOSIZE);
    PumpPending(hwnd);
    for (int id : {ID_READ, ID_WRITE}) {
        // No number and no update box ticked: both are disabled.
        ASSERT_FALSE(dialog->IsItemEnabled(id)) << id;
        RECT place;
        GetWindowRect(GetDlgItem(hwnd, id), &place);
        POINT centre{(place.left + place.right) / 2, (place.top + place.bottom) / 2};
        // The mouse over a disabled button is the dialog's: its tool there is the button's.
        EXPECT_EQ(WindowFromPoint(centre), hwnd) << id;
        POINT inDialog = centre;
        ScreenToClient(hwnd, &inDialog);
        EXPECT_EQ(TooltipToolAt(tips, hwnd, inDialog), id);

        // The mouse comes to rest there: the tip shows with the button's text.
        // (Back there if another test on the display has moved the mouse meanwhile.)
        SendMessageA(tips, TTM_POP, 0, 0);
        auto rest = [&] {
            POINT at{};
            GetCursorPos(&at);
            if (at.x != centre.x || at.y != centre.y) {
                SetCursorPos(centre.x, centre.y);
                PostMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(inDialog.x, inDialog.y));
            }
            return IsWindowVisible(tips) != FALSE;
        };
        rest();
        PostMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(inDialog.x, inDialog.y));
        ASSERT_TRUE(PumpUntil(hwnd, rest, 5000)) << id;
        char text[1024] = {};
        TOOLINFOA tool{};
        tool.cbSize = sizeof(tool);
        tool.lpszText = text;
        ASSERT_TRUE(SendMessageA(tips, TTM_GETCURRENTTOOLA, 0, reinterpret_cast<LPARAM>(&tool)));
        EXPECT_EQ(tool.uId, static_cast<UINT_PTR>(id));
        const std::string expected = LoadString(id == ID_READ ? IDS_TIP_READ : IDS_TIP_WRITE);
        EXPECT_EQ(expected.compare(0, std::strlen(text), text), 0) << text;
        EXPECT_GT(std::strlen(text), 20u);
    }
}

TEST_F(WinDialog, TheLogoShowsBitmap129FillingItsControl)
{
    HBITMAP logo = dialog->Logo();
    ASSERT_NE(logo, nullptr);
    BITMAP shown{};
    ASSERT_NE(GetObjectA(logo, sizeof shown, &shown), 0);
    HWND control = GetDlgItem(hwnd, IDC_LOGO);
    RECT place{};
    GetClientRect(control, &place);
    EXPECT_EQ(shown.bmWidth, place.right);
    EXPECT_EQ(shown.bmHeight, place.bottom);
    // Drawn: beside the lift car, the logo is blue, not the dialog's face.
    RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    HDC dc = GetDC(control);
    COLORREF left = GetPixel(dc, 4, place.bottom / 2);
    ReleaseDC(control, dc);
    EXPECT_GT(GetBValue(left), GetRValue(left) + 40) << std::hex << left;
}

TEST_F(WinDialog, EnterAndEscDoNotCloseButTheCloseButtonDoes)
{
    SendMessageA(hwnd, WM_COMMAND, IDOK, 0);
    SendMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
    PumpPending(hwnd);
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_TRUE(dialog->IsEscapeBlocked());
    Click(IDC_CLOSE);
    EXPECT_TRUE(PumpUntil(hwnd, [this] { return !IsWindow(hwnd); }, 5000));
    EXPECT_EQ(dialog->Handle(), nullptr);
}

TEST_F(WinDialog, SystemMenuAboutHelpAndComPortGoToTheShell)
{
    HMENU menu = GetSystemMenu(hwnd, FALSE);
    char text[64] = {};
    GetMenuStringA(menu, CWinRemoteDlg::IDM_ABOUTBOX, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "&About Pravel...");
    SendMessageA(hwnd, WM_SYSCOMMAND, CWinRemoteDlg::IDM_ABOUTBOX, 0);
    EXPECT_EQ(shell.aboutRuns, 1);
    Click(ID_HELP);
    ASSERT_EQ(shell.helpContexts.size(), 1u);
    EXPECT_EQ(shell.helpContexts[0], 0x20000u + 102u);
    Click(IDC_COM_PORT);
    EXPECT_EQ(shell.comPortRuns, 1);
}

TEST_F(WinDialog, ProgressMessagesShowInTheCaption)
{
    CWinNotifyWindow& channel = dialog->NotifyWindow();
    channel.PostMessage(WM_SHOW_PROGRESS, ProgressDialing, CMessageValue::Number(57));
    PumpPending(hwnd);
    EXPECT_EQ(dialog->Caption(), "Pravel 1.09 - Dialing (57)");
    channel.SendMessage(WM_SHOW_PROGRESS, ProgressTransfer, CMessageValue::Number(0));
    EXPECT_EQ(dialog->Caption(), "Pravel 1.09 - Transfer");
    channel.PostMessage(WM_SHOW_PROGRESS, ProgressEnded, CMessageValue::Number(0));
    PumpPending(hwnd);
    EXPECT_EQ(dialog->Caption(), "Pravel 1.09");
}

TEST_F(WinDialog, PostedTextsAreReleasedOnceWhateverBecomesOfTheWindow)
{
    CWinNotifyWindow& channel = dialog->NotifyWindow();
    long before = CWinNotifyWindow::LiveValues();
    // Handled: the dialog takes the text over and releases it.
    channel.PostMessage(WM_SET_TEXT, 1065, CMessageValue::Text("207"));
    EXPECT_EQ(channel.PendingCount(), 1u);
    PumpPending(hwnd);
    EXPECT_EQ(dialog->GetItemText(IDC_FIRMWARE), "207");
    EXPECT_EQ(channel.PendingCount(), 0u);
    EXPECT_EQ(CWinNotifyWindow::LiveValues(), before);
    // Queued, and the window destroyed before it is handled: released when the window goes.
    channel.PostMessage(WM_SET_TEXT, 1065, CMessageValue::Text("208"));
    channel.PostMessage(WM_SET_TEXT, 1000, CMessageValue::Text("112"));
    EXPECT_EQ(CWinNotifyWindow::LiveValues(), before + 2);
    DestroyWindow(hwnd);
    EXPECT_EQ(CWinNotifyWindow::LiveValues(), before);
    PumpPending(nullptr); // the dropped messages find nothing to release a second time
    EXPECT_EQ(CWinNotifyWindow::LiveValues(), before);
    // After the window: dropped at once, and a sent message does not wait.
    channel.PostMessage(WM_SET_TEXT, 1065, CMessageValue::Text("209"));
    DWORD start = GetTickCount();
    channel.SendMessage(WM_SET_TEXT, 1065, CMessageValue::Text("210"));
    EXPECT_LT(GetTickCount() - start, CWinNotifyWindow::SendTimeoutMs);
    EXPECT_EQ(CWinNotifyWindow::LiveValues(), before);
}

TEST(WinNotifyWindow, PostToAWindowThatIsGoneReleasesTheTextAtOnce)
{
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    CWinNotifyWindow channel;
    channel.Attach(window);
    DestroyWindow(window); // the channel is not told: the post itself fails
    long before = CWinNotifyWindow::LiveValues();
    channel.PostMessage(WM_SET_TEXT, 1000, CMessageValue::Text("112"));
    EXPECT_EQ(channel.PendingCount(), 0u);
    EXPECT_EQ(CWinNotifyWindow::LiveValues(), before);
}

TEST_F(WinDialog, JobMessagesBecomeOneBoxAndTheStatusLine)
{
    CWinMessagePresenter& presenter = dialog->MessagePresenter();
    ShowMessageBox("The modem does not answer.", "Pravel", MessageIcon::Error);
    EXPECT_EQ(presenter.PendingCount(), 1u);
    EXPECT_TRUE(prompts.messages.empty()); // the caller never waits for the box
    PumpPending(hwnd);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], "The modem does not answer.");
    EXPECT_EQ(dialog->GetItemText(IDC_STATUS_LINE), "The modem does not answer.");
    EXPECT_EQ(presenter.PendingCount(), 0u);
}

TEST_F(WinDialog, AMessageOfTwoLinesShowsBothInTheStatusLine)
{
    ShowMessageBox("Can't open serial port com3\nThe device does not exist.", "Pravel", MessageIcon::Error);
    PumpPending(hwnd);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], "Can't open serial port com3\nThe device does not exist.");
    EXPECT_EQ(dialog->GetItemText(IDC_STATUS_LINE), "Can't open serial port com3: The device does not exist.");
    EXPECT_EQ(dialog->StatusLineTip(), "Can't open serial port com3\nThe device does not exist.");

    // A job on a port that is not there: the box has the two lines, the status line both joined.
    const std::string port = GetComPortName();
    SetComPortName("COM97");
    dialog->SetItemText(IDC_PHONE_NUMBER, "5550100");
    Click(ID_READ_ALL);
    const bool ended = WaitForJobEnd();
    SetComPortName(port);
    ASSERT_TRUE(ended);
    ASSERT_EQ(prompts.messages.size(), 2u);
    const std::string box = prompts.messages[1];
    const std::string line = dialog->GetItemText(IDC_STATUS_LINE);
    ASSERT_NE(box.find('\n'), std::string::npos) << box;
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
    EXPECT_EQ(line, box.substr(0, box.find('\n')) + ": " + box.substr(box.find('\n') + 1)) << line;
    EXPECT_EQ(dialog->Caption(), MainDialogTemplate.caption);
}

TEST_F(WinDialog, AfterARefusedCodeTheCaptionIsPlainOnceTheJobHasEnded)
{
    StartSimulator();
    const std::string plain = dialog->Caption();
    dialog->SetItemText(IDC_PROGRAMMING_CODE, "1234"); // the unit's is 3958
    std::string captionAsTheBoxOpens, captionAtTheEnd;
    prompts.whileOpen = [&] {
        captionAsTheBoxOpens = dialog->Caption();
        PumpUntil(hwnd, [this] { return !dialog->IsJobRunning(); }, JobTimeoutMs);
        captionAtTheEnd = dialog->Caption();
    };
    Click(ID_READ_ALL);
    ASSERT_TRUE(WaitForJobEnd());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_NE(captionAsTheBoxOpens.find(LoadString(IDS_BAD_CODE)), std::string::npos) << captionAsTheBoxOpens;
    // The job ended while the box was open: the caption is plain at once, not when it closes.
    EXPECT_EQ(captionAtTheEnd, plain);
    EXPECT_EQ(dialog->Caption(), plain);
    EXPECT_EQ(dialog->Status().State(), JobState::CodeRefused);
    EXPECT_NE(dialog->GetItemText(IDC_STATUS_LINE).find(CJobStatus::CodeRefusedText()), std::string::npos);
    EXPECT_TRUE(dialog->IsItemEnabled(ID_READ_ALL));
}

TEST_F(WinDialog, ReadAllOverTheSimulatorFillsTheControlsAndClearsTheBoxes)
{
    StartSimulator();
    Click(ID_READ_ALL);
    ASSERT_TRUE(dialog->IsJobRunning());
    EXPECT_EQ(dialog->GetItemText(IDC_CLOSE), "&Stop");
    ASSERT_TRUE(WaitForJobEnd());
    EXPECT_EQ(dialog->Caption(), "Pravel 1.09");
    EXPECT_EQ(dialog->GetItemText(IDC_CLOSE), "&Close");
    EXPECT_TRUE(dialog->IsItemEnabled(ID_READ_ALL));
    for (int row = 0; row < ParameterCount; ++row)
        EXPECT_FALSE(dialog->IsButtonChecked(ParameterTable[row].updateBoxId)) << ParameterTable[row].name;
    SimUnit unit = sim->UnitState("5550100", 1);
    for (int row = 0; row < ParameterCount; ++row) {
        const ParameterDescriptor& p = ParameterTable[row];
        if (p.kind == KindText && p.slot != SlotNewProgrammingCode) {
            EXPECT_EQ(dialog->GetItemText(p.valueControlId), unit.settings[p.name]) << p.name;
        }
    }
    const std::string& f = unit.firmware; // shown as major.minor.patch
    const std::string dotted = std::string(1, f[0]) + "." + f[1] + "." + f[2];
    EXPECT_EQ(dialog->GetItemText(IDC_FIRMWARE), dotted);
    EXPECT_EQ(dialog->GetItemText(IDC_POWER_STATUS), "External power");
    EXPECT_NE(dialog->GetItemText(IDC_STATUS_LINE).find("Read all finished"), std::string::npos)
        << dialog->GetItemText(IDC_STATUS_LINE);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(WinDialog, WriteAcknowledgesItsParameters)
{
    StartSimulator();
    SetDlgItemTextA(hwnd, 1000, "0123456");
    SetDlgItemTextA(hwnd, 1003, "4711");
    ASSERT_TRUE(dialog->IsButtonChecked(1010));
    ASSERT_TRUE(dialog->IsButtonChecked(1013));
    Click(ID_WRITE);
    ASSERT_TRUE(dialog->IsJobRunning());
    ASSERT_TRUE(WaitForJobEnd());
    EXPECT_FALSE(dialog->IsButtonChecked(1010));
    EXPECT_FALSE(dialog->IsButtonChecked(1013));
    SimUnit unit = sim->UnitState("5550100", 1);
    EXPECT_EQ(unit.settings["AlarmReceiver1"], "0123456");
    EXPECT_EQ(unit.settings["AlarmCode1"], "4711");
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(WinDialog, SaveThenLoadGivesTheSameControls)
{
    CTempFolder folder;
    prompts.savePath = prompts.openPath = folder.File("unit.oxl");
    SetDlgItemTextA(hwnd, IDC_PHONE_NUMBER, "5550100");
    SetDlgItemTextA(hwnd, 1001, "0401234");
    SetDlgItemTextA(hwnd, 1031, "1234");
    Click(IDC_ONE_COLOUR);
    Click(IDC_ID_BEEP);
    SendDlgItemMessageA(hwnd, IDC_TEST_ALARM_TIME, CB_SETCURSEL, 3, 0);
    CheckDlgButton(hwnd, 1040, BST_CHECKED);
    Click(IDC_SAVE);
    ASSERT_TRUE(prompts.messages.empty()) << prompts.messages.front();

    auto snapshot = [this] {
        std::string all;
        for (int i = 0; i < MainDialogTemplate.controlCount; ++i) {
            int id = MainDialogTemplate.controls[i].id;
            if (id == NoControlId || id == IDC_STATUS_LINE || id == IDC_PHONE_NUMBER ||
                id == IDC_PROGRAMMING_CODE)
                continue;
            all += std::to_string(id) + "=" + dialog->GetItemText(id) + "/" +
                   (dialog->IsButtonChecked(id) ? "1" : "0") + "/" + std::to_string(dialog->GetComboSelection(id)) +
                   "\n";
        }
        return all;
    };
    std::string saved = snapshot();
    SetDlgItemTextA(hwnd, 1001, "999");
    Click(IDC_TWO_COLOURS);
    Click(IDC_ID_BEEP);
    SendDlgItemMessageA(hwnd, IDC_TEST_ALARM_TIME, CB_SETCURSEL, 7, 0);
    ASSERT_NE(snapshot(), saved);
    Click(IDC_LOAD);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(snapshot(), saved);
}

TEST_F(WinDialog, AChoiceTypedIntoTheComboCountsOnlyWhenItIsOneOfItsItems)
{
    SetDlgItemTextA(hwnd, IDC_PHONE_NUMBER, "5550100");
    SetDlgItemTextA(hwnd, IDC_TEST_ALARM_TIME, "abc");
    CheckDlgButton(hwnd, 1040, BST_CHECKED);
    Click(ID_WRITE);
    EXPECT_FALSE(dialog->IsJobRunning());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_NE(prompts.messages[0].find(": choose a value from 0 to 10."), std::string::npos) << prompts.messages[0];
    EXPECT_EQ(dialog->GetItemText(IDC_STATUS_LINE), prompts.messages[0]);
}

TEST_F(WinDialog, LoadOfAFileThatIsNotOursSaysSo)
{
    CTempFolder folder;
    prompts.openPath = folder.File("other.oxl");
    HANDLE file = CreateFileA(prompts.openPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, "NOPE and more bytes", 19, &written, nullptr);
    CloseHandle(file);
    Click(IDC_LOAD);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], LoadString(IDS_NOT_PRAVEL_FILE));
}

TEST_F(WinDialog, ClosingDuringAJobStopsItTheOrderlyWayAndThenCloses)
{
    StartSimulator();
    Click(ID_READ_ALL);
    ASSERT_TRUE(dialog->IsJobRunning());
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(hwnd)); // not before the job has ended
    EXPECT_EQ(dialog->Status().State(), JobState::Stopping);
    EXPECT_FALSE(dialog->IsItemEnabled(IDC_CLOSE));
    ASSERT_TRUE(PumpUntil(hwnd, [this] { return !IsWindow(hwnd); }, JobTimeoutMs));
    EXPECT_FALSE(dialog->IsJobRunning());
    EXPECT_EQ(dialog->Status().State(), JobState::Stopped);
}
