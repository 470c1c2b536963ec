// The port selection dialog and the About box as real windows (they need a display): driven by
// control id from the dialog's WM_INITDIALOG, their results read back from the registry; the
// port dialog's advanced fields stored with OK or refused, and its labels whole in its font.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "TestRegistry.h"
#include "model/ComPortName.h"
#include "model/ModemProfile.h"
#include "sim/Simulator.h"
#include "winapp/WinAboutDlg.h"
#include "winapp/WinAppIds.h"
#include "winapp/WinAppSettings.h"
#include "winapp/WinSelectPortDlg.h"
#include "winapp/WinShellActions.h"

namespace {

// A dialog that the test's steps leave open is closed with Cancel after this long, so that a
// broken step fails the test instead of hanging it.
constexpr UINT GuardMs = 20000;
constexpr UINT_PTR GuardTimer = 0x7E57;

void CALLBACK CloseOnGuard(HWND hwnd, UINT, UINT_PTR, DWORD)
{
    ::KillTimer(hwnd, GuardTimer);
    ADD_FAILURE() << "the dialog was still open after " << GuardMs << " ms";
    ::EndDialog(hwnd, IDCANCEL);
}

void Guard(HWND hwnd)
{
    ::SetTimer(hwnd, GuardTimer, GuardMs, CloseOnGuard);
}

// Presses the button as the user would, once the dialog runs its loop.
void Click(HWND dialog, int id)
{
    ::PostMessageA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// Selects an entry of a combo box and sends the notification the user's choice would.
void Choose(HWND dialog, int id, int index)
{
    HWND combo = ::GetDlgItem(dialog, id);
    ::SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

std::string WindowText(HWND hwnd)
{
    char text[256] = {};
    ::GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

std::vector<std::string> Entries(HWND dialog, int id)
{
    std::vector<std::string> entries;
    LRESULT count = ::SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[64] = {};
        ::SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        entries.emplace_back(text);
    }
    return entries;
}

LRESULT Selection(HWND dialog, int id)
{
    return ::SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
}

std::string Stored(const TestRegistry& registry, const char* name)
{
    DWORD type = 0;
    std::string data;
    if (registry.Query(name, &type, &data) != ERROR_SUCCESS || type != REG_SZ)
        return "(none)";
    return data.substr(0, data.find('\0'));
}

class WinSelectPortDlgTest : public testing::Test {
protected:
    void SetUp() override
    {
        SetComPortName("com1");
        SetModemProfile(ModemProfile::Auto);
    }
    void TearDown() override
    {
        SetComPortName("");
        SetModemProfile(ModemProfile::Auto);
    }
    HINSTANCE Instance() const { return ::GetModuleHandleA(nullptr); }
};

} // namespace

TEST_F(WinSelectPortDlgTest, ListsTheTenPortsThenThePresentOnesAndTheModemCommands)
{
    TestRegistry registry("port-list");
    CWinAppSettings settings(registry.Application());
    CWinSelectPortDlg dialog(Instance(), settings, {"COM3", "COM12", "CNCA0"});
    std::vector<std::string> ports;
    std::vector<std::string> profiles;
    std::string caption;
    dialog.SetInitHook([&](HWND hwnd) {
        Guard(hwnd);
        caption = WindowText(hwnd);
        ports = Entries(hwnd, IDC_WIN_PORT_LIST);
        profiles = Entries(hwnd, IDC_WIN_MODEM_PROFILE);
        Click(hwnd, IDCANCEL);
    });
    ASSERT_EQ(dialog.DoModal(nullptr), IDCANCEL);
    EXPECT_EQ(caption, "Select serial port");
    EXPECT_EQ(ports, (std::vector<std::string>{"COM01", "COM02", "COM03", "COM04", "COM05", "COM06", "COM07", "COM08",
                                               "COM09", "COM10", "COM12", "CNCA0"}));
    EXPECT_EQ(profiles, (std::vector<std::string>{"Automatic", "'#' commands", "V.253 commands"}));
}

struct OpenCase {
    const char* name;
    const char* portName;
    LRESULT index;
};
// Cases by their names in the test output.
void PrintTo(const OpenCase& c, std::ostream* out) { *out << c.name; }


class WinSelectPortDlgOpens : public WinSelectPortDlgTest, public testing::WithParamInterface<OpenCase> {};

TEST_P(WinSelectPortDlgOpens, OnTheNameInForceAndOkWithoutAChoiceStoresItUnchanged)
{
    TestRegistry registry("port-open");
    CWinAppSettings settings(registry.Application());
    SetComPortName(GetParam().portName);
    CWinSelectPortDlg dialog(Instance(), settings, {"COM12"});
    LRESULT selected = -2;
    dialog.SetInitHook([&](HWND hwnd) {
        Guard(hwnd);
        selected = Selection(hwnd, IDC_WIN_PORT_LIST);
        Click(hwnd, IDOK);
    });
    ASSERT_EQ(dialog.DoModal(nullptr), IDOK);
    EXPECT_EQ(selected, GetParam().index);
    EXPECT_EQ(Stored(registry, "ComPort"), GetParam().portName);
    EXPECT_EQ(GetComPortName(), GetParam().portName);
}

INSTANTIATE_TEST_SUITE_P(Cases, WinSelectPortDlgOpens,
                         testing::Values(OpenCase{"Com1", "com1", 0}, OpenCase{"Com10", "com10", 9},
                                         OpenCase{"UpperCase", "COM3", 2}, OpenCase{"Com0", "com0", -1},
                                         OpenCase{"Com11", "com11", -1}, OpenCase{"Short", "co", -1},
                                         OpenCase{"Present", "com12", 10}),
                         [](const testing::TestParamInfo<OpenCase>& info) { return std::string(info.param.name); });

TEST_F(WinSelectPortDlgTest, AChoiceTakesEffectWithOkAndIsStored)
{
    TestRegistry registry("port-ok");
    CWinAppSettings settings(registry.Application());
    CWinSelectPortDlg dialog(Instance(), settings, {"COM12"});
    std::string during;
    dialog.SetInitHook([&](HWND hwnd) {
        Guard(hwnd);
        Choose(hwnd, IDC_WIN_PORT_LIST, 2);
        Choose(hwnd, IDC_WIN_MODEM_PROFILE, 2);
        during = GetComPortName();
        Click(hwnd, IDOK);
    });
    ASSERT_EQ(dialog.DoModal(nullptr), IDOK);
    EXPECT_EQ(during, "com1"); // not before OK
    EXPECT_EQ(GetComPortName(), "com3");
    EXPECT_EQ(Stored(registry, "ComPort"), "com3");
    EXPECT_EQ(GetModemProfile(), ModemProfile::V253);
    EXPECT_EQ(Stored(registry, "ModemProfile"), "v253");
    // The next start reads it back.
    EXPECT_EQ(settings.ReadComPort(), "com3");

    // A port present beyond the ten.
    CWinSelectPortDlg again(Instance(), settings, {"COM12"});
    again.SetInitHook([&](HWND hwnd) {
        Guard(hwnd);
        Choose(hwnd, IDC_WIN_PORT_LIST, 10);
        Click(hwnd, IDOK);
    });
    ASSERT_EQ(again.DoModal(nullptr), IDOK);
    EXPECT_EQ(Stored(registry, "ComPort"), "com12");
    EXPECT_EQ(GetComPortName(), "com12");
}

TEST_F(WinSelectPortDlgTest, CancelChangesNothing)
{
    TestRegistry registry("port-cancel");
    CWinAppSettings settings(registry.Application());
    for (int button : {IDCANCEL, 0}) {
        SCOPED_TRACE(button);
        CWinSelectPortDlg dialog(Instance(), settings, {});
        dialog.SetInitHook([&](HWND hwnd) {
            Guard(hwnd);
            Choose(hwnd, IDC_WIN_PORT_LIST, 2);
            Choose(hwnd, IDC_WIN_MODEM_PROFILE, 1);
            if (button == IDCANCEL)
                Click(hwnd, IDCANCEL);
            else // the close box
                ::PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        });
        ASSERT_EQ(dialog.DoModal(nullptr), IDCANCEL);
        EXPECT_EQ(GetComPortName(), "com1");
        EXPECT_EQ(GetModemProfile(), ModemProfile::Auto);
        EXPECT_EQ(Stored(registry, "ComPort"), "(none)");
        EXPECT_EQ(Stored(registry, "ModemProfile"), "(none)");
    }
}

TEST_F(WinSelectPortDlgTest, TheSimulatorsLineIsNeverStoredButAChoiceMadeThenIs)
{
    TestRegistry registry("port-sim");
    CWinAppSettings settings(registry.Application());
    ASSERT_TRUE(settings.WriteComPort("com2"));
    SetComPortName("sim:1");
    for (int choice : {-1, 3}) {
        SCOPED_TRACE(choice);
        CWinSelectPortDlg dialog(Instance(), settings, {});
        LRESULT selected = -2;
        dialog.SetInitHook([&](HWND hwnd) {
            Guard(hwnd);
            selected = Selection(hwnd, IDC_WIN_PORT_LIST);
            if (choice >= 0)
                Choose(hwnd, IDC_WIN_PORT_LIST, choice);
            Click(hwnd, IDOK);
        });
        ASSERT_EQ(dialog.DoModal(nullptr), IDOK);
        EXPECT_EQ(selected, -1);
        if (choice < 0) {
            EXPECT_EQ(GetComPortName(), "sim:1");
            EXPECT_EQ(Stored(registry, "ComPort"), "com2");
        } else {
            EXPECT_EQ(GetComPortName(), "com4");
            EXPECT_EQ(Stored(registry, "ComPort"), "com4");
        }
    }
}

TEST_F(WinSelectPortDlgTest, OpensOnTheModemProfileInForce)
{
    TestRegistry registry("port-profile");
    CWinAppSettings settings(registry.Application());
    SetModemProfile(ModemProfile::Hash);
    CWinSelectPortDlg dialog(Instance(), settings, {});
    LRESULT selected = -2;
    dialog.SetInitHook([&](HWND hwnd) {
        Guard(hwnd);
        selected = Selection(hwnd, IDC_WIN_MODEM_PROFILE);
        Click(hwnd, IDOK);
    });
    ASSERT_EQ(dialog.DoModal(nullptr), IDOK);
    EXPECT_EQ(selected, 1);
    EXPECT_EQ(Stored(registry, "ModemProfile"), "hash");
}

// "Test modem" checks the chosen port on a thread and shows the verdict; the dialog is closed once
// the button comes back.
constexpr UINT_PTR CheckTimer = 0x7E58;
std::string* checkVerdict = nullptr;
bool checkWasDisabled = false;

void CALLBACK LookAtTheCheck(HWND hwnd, UINT, UINT_PTR, DWORD)
{
    if (!::IsWindowEnabled(::GetDlgItem(hwnd, IDC_WIN_TEST_MODEM))) {
        checkWasDisabled = true;
        return;
    }
    ::KillTimer(hwnd, CheckTimer);
    *checkVerdict = WindowText(::GetDlgItem(hwnd, IDC_WIN_TEST_RESULT));
    ::EndDialog(hwnd, IDCANCEL);
}

struct CheckCase {
    SimModemPersona persona;
    const char* verdict;
};
void PrintTo(const CheckCase& c, std::ostream* out) { *out << SimModemPersonaName(c.persona); }

class WinSelectPortDlgCheck : public WinSelectPortDlgTest, public testing::WithParamInterface<CheckCase> {};

TEST_P(WinSelectPortDlgCheck, TestModemShowsTheVerdict)
{
    SimConfig config = DefaultSimConfig();
    config.fast = true;
    config.modem = GetParam().persona;
    CSimulator sim;
    std::string error;
    ASSERT_TRUE(sim.Start(config, &error, SimLink::Memory)) << error;
    SetComPortName(sim.DevicePath());
    TestRegistry registry("port-check");
    CWinAppSettings settings(registry.Application());
    CWinSelectPortDlg dialog(Instance(), settings, {});
    std::string verdict;
    checkVerdict = &verdict;
    checkWasDisabled = false;
    dialog.SetInitHook([&](HWND hwnd) {
        Guard(hwnd);
        ::SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDC_WIN_TEST_MODEM, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(hwnd, IDC_WIN_TEST_MODEM)));
        ::SetTimer(hwnd, CheckTimer, 50, LookAtTheCheck);
    });
    ASSERT_EQ(dialog.DoModal(nullptr), IDCANCEL);
    sim.Stop();
    EXPECT_TRUE(checkWasDisabled);
    EXPECT_NE(verdict.find(GetParam().verdict), std::string::npos) << verdict;
}

INSTANTIATE_TEST_SUITE_P(Personas, WinSelectPortDlgCheck,
                         testing::Values(CheckCase{SimModemPersona::Intel, "Intel Corporation 536EP: Voice modem"},
                                         CheckCase{SimModemPersona::Hash, "will use hash."},
                                         CheckCase{SimModemPersona::DataFax,
                                                   "This modem has no voice mode: DTMF cannot be sent."}));

void SetItem(HWND dialog, int id, const char* text)
{
    ::SetDlgItemTextA(dialog, id, text);
}

void PressOk(HWND dialog)
{
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
}

TEST_F(WinSelectPortDlgTest, TheAdvancedFieldsOpenOnTheSettingsInForceAndAreStoredWithOk)
{
    TestRegistry registry("port-advanced");
    CWinAppSettings settings(registry.Application());
    SetModemCallSettings({55, 20, "B5"});
    const std::string trace = registry.Application() + "-modem.trace"; // in the working folder
    CWinSelectPortDlg dialog(Instance(), settings, {});
    std::vector<std::string> shown;
    dialog.SetInitHook([&](HWND hwnd) {
        Guard(hwnd);
        for (int id : {IDC_WIN_RINGBACK_GAP, IDC_WIN_RINGBACK_WAIT, IDC_WIN_MODEM_COUNTRY, IDC_WIN_TRACE_FILE})
            shown.push_back(WindowText(::GetDlgItem(hwnd, id)));
        SetItem(hwnd, IDC_WIN_RINGBACK_GAP, "90");
        SetItem(hwnd, IDC_WIN_RINGBACK_WAIT, " 15");
        SetItem(hwnd, IDC_WIN_MODEM_COUNTRY, "3d");
        SetItem(hwnd, IDC_WIN_TRACE_FILE, trace.c_str());
        Click(hwnd, IDOK);
    });
    ASSERT_EQ(dialog.DoModal(nullptr), IDOK);
    EXPECT_EQ(shown, (std::vector<std::string>{"55", "20", "B5", ""}));
    EXPECT_EQ(GetModemCallSettings().ringbackGapTenths, 90);
    EXPECT_EQ(GetModemCallSettings().ringbackWaitSeconds, 15);
    EXPECT_EQ(GetModemCallSettings().country, "3D");
    EXPECT_EQ(Stored(registry, "RingbackGap"), "90");
    EXPECT_EQ(Stored(registry, "RingbackWait"), "15");
    EXPECT_EQ(Stored(registry, "ModemCountry"), "3D");
    EXPECT_EQ(Stored(registry, "ModemTraceFile"), trace);
    EXPECT_EQ(settings.ReadModemTraceFile(), trace);
    SetModemCallSettings({});
}

// The program's shell starts the trace anew only when the dialog's OK changed the file.
TEST_F(WinSelectPortDlgTest, TheShellTellsWhenOkChangedTheTraceFile)
{
    TestRegistry registry("port-shell-trace");
    CWinAppSettings settings(registry.Application());
    CWinShellActions shell(Instance(), settings, CWinHelpLauncher(), nullptr,
                           [] { return std::vector<std::string>(); });
    int changed = 0;
    shell.SetTraceFileChanged([&changed] { ++changed; });
    const std::string trace = registry.Application() + "-shell.trace";
    for (const std::string& typed : {std::string(), trace, trace}) {
        SCOPED_TRACE(typed);
        // The user, from outside the dialog's own loop: the dialog is found by its caption.
        bool found = false;
        std::thread user([&typed, &found] {
            HWND dialog = nullptr;
            // Shown once its WM_INITDIALOG has filled the fields.
            for (int i = 0; i < 400 && dialog == nullptr; ++i) {
                dialog = ::FindWindowA("#32770", "Select serial port");
                if (dialog == nullptr || !::IsWindowVisible(dialog)) {
                    dialog = nullptr;
                    ::Sleep(25);
                }
            }
            if (dialog == nullptr)
                return;
            found = true;
            ::SetDlgItemTextA(dialog, IDC_WIN_TRACE_FILE, typed.c_str());
            ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        });
        shell.RunComPortDialog(nullptr);
        user.join();
        EXPECT_TRUE(found);
    }
    EXPECT_EQ(changed, 1); // empty to empty, then to the file, then the same file again
    EXPECT_EQ(Stored(registry, "ModemTraceFile"), trace);
}

struct RefuseCase {
    const char* name;
    int field;
    const char* text;
    const char* problem;
};
void PrintTo(const RefuseCase& c, std::ostream* out) { *out << c.name; }

class WinSelectPortDlgRefuses : public WinSelectPortDlgTest, public testing::WithParamInterface<RefuseCase> {};

TEST_P(WinSelectPortDlgRefuses, ABadAdvancedValueKeepingTheDialogOpenAndStoringNothing)
{
    TestRegistry registry("port-refuse");
    CWinAppSettings settings(registry.Application());
    SetModemCallSettings({});
    CWinSelectPortDlg dialog(Instance(), settings, {});
    std::string problem;
    bool stillOpen = false;
    dialog.SetInitHook([&](HWND hwnd) {
        Guard(hwnd);
        Choose(hwnd, IDC_WIN_PORT_LIST, 2);
        SetItem(hwnd, GetParam().field, GetParam().text);
        PressOk(hwnd);
        stillOpen = ::IsWindow(hwnd) && ::IsWindowEnabled(::GetDlgItem(hwnd, IDOK));
        problem = WindowText(::GetDlgItem(hwnd, IDC_WIN_TEST_RESULT));
        Click(hwnd, IDCANCEL);
    });
    ASSERT_EQ(dialog.DoModal(nullptr), IDCANCEL);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(problem.rfind(GetParam().problem, 0), 0u) << problem;
    EXPECT_EQ(GetComPortName(), "com1");
    EXPECT_EQ(GetModemCallSettings().ringbackGapTenths, 70);
    for (const char* name : {"ComPort", "ModemProfile", "RingbackGap", "RingbackWait", "ModemCountry", "ModemTraceFile"})
        EXPECT_EQ(Stored(registry, name), "(none)") << name;
}

INSTANTIATE_TEST_SUITE_P(
    Fields, WinSelectPortDlgRefuses,
    testing::Values(RefuseCase{"Gap", IDC_WIN_RINGBACK_GAP, "256", "Ringback gap: \"256\" is not a whole number"},
                    RefuseCase{"Wait", IDC_WIN_RINGBACK_WAIT, "", "Ringback wait: \"\" is not a whole number"},
                    RefuseCase{"Country", IDC_WIN_MODEM_COUNTRY, "SE", "Country code: \"SE\" is not two hexadecimal"},
                    RefuseCase{"TraceFolder", IDC_WIN_TRACE_FILE, "C:\\windows", "Trace file: C:\\windows is a folder"},
                    RefuseCase{"TraceNoFolder", IDC_WIN_TRACE_FILE, "C:\\no-such-pravel-folder\\modem.trace",
                               "Trace file: C:\\no-such-pravel-folder\\modem.trace cannot be saved: the folder"}),
    [](const testing::TestParamInfo<RefuseCase>& info) { return std::string(info.param.name); });

// Every label of the dialog is whole in the dialog's own font: its text is no wider than its
// control, and a group's title no wider than the group less its frame.
TEST_F(WinSelectPortDlgTest, EveryLabelIsWholeInTheDialogsFont)
{
    TestRegistry registry("port-labels");
    CWinAppSettings settings(registry.Application());
    CWinSelectPortDlg dialog(Instance(), settings, {});
    std::vector<std::string> cut;
    int measured = 0;
    dialog.SetInitHook([&](HWND hwnd) {
        Guard(hwnd);
        HDC dc = ::GetDC(hwnd);
        HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(hwnd, WM_GETFONT, 0, 0)));
        for (HWND item = ::GetWindow(hwnd, GW_CHILD); item != nullptr; item = ::GetWindow(item, GW_HWNDNEXT)) {
            char className[32] = {};
            ::GetClassNameA(item, className, sizeof className);
            const std::string text = WindowText(item);
            const std::string kind = className;
            if (text.empty() || (kind != "Static" && kind != "Button"))
                continue;
            SIZE size = {};
            ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
            RECT box = {};
            ::GetClientRect(item, &box);
            // A group box's title sits in from its frame; a button's text needs its edges.
            const LONG room = box.right - (kind == "Button" ? 12 : 0);
            ++measured;
            if (size.cx > room)
                cut.push_back(text + " (" + std::to_string(size.cx) + " > " + std::to_string(room) + ")");
        }
        ::SelectObject(dc, old);
        ::ReleaseDC(hwnd, dc);
        Click(hwnd, IDCANCEL);
    });
    ASSERT_EQ(dialog.DoModal(nullptr), IDCANCEL);
    EXPECT_GE(measured, 10);
    EXPECT_TRUE(cut.empty()) << testing::PrintToString(cut);
}

TEST(WinAboutDlg, ShowsTheProgramsNameVersionAndIconAndClosesWithOk)
{
    CWinAboutDlg dialog(::GetModuleHandleA(nullptr));
    std::string caption;
    std::string version;
    HICON icon = nullptr;
    dialog.SetInitHook([&](HWND hwnd) {
        Guard(hwnd);
        caption = WindowText(hwnd);
        version = WindowText(::GetDlgItem(hwnd, IDC_WIN_ABOUT_VERSION));
        icon = reinterpret_cast<HICON>(::SendDlgItemMessageA(hwnd, IDC_WIN_ABOUT_ICON, STM_GETICON, 0, 0));
        Click(hwnd, IDOK);
    });
    ASSERT_EQ(dialog.DoModal(nullptr), IDOK);
    EXPECT_EQ(caption, "About Pravel");
    EXPECT_EQ(version, CWinAboutDlg::VersionText());
    EXPECT_EQ(version.rfind("Pravel Version ", 0), 0u);
    EXPECT_NE(icon, nullptr);
}
