// The main dialog's rules, once for both desktop dialogs: the controller over the in-memory dialog
// and a recording window, with a job runner that runs until the test ends the job.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "files/ParameterFileCodec.h"
#include "form/DialogItemModel.h"
#include "form/MainDialogController.h"
#include "form/MainDialogTemplate.h"
#include "form/ParameterFileLoader.h"
#include "form/ParameterForm.h"
#include "model/DialogIds.h"
#include "model/JobMessages.h"
#include "model/ParameterTable.h"
#include "model/StringTable.h"
#include "support/FakeJobRunner.h"

namespace {

struct Box {
    std::string text;
    std::string caption;
    MessageIcon icon;
};

class CRecordingWindow : public IMainDialogWindow {
public:
    std::string caption = "Pravel 1.09";
    std::map<int, bool> enabled;
    bool closeIsStop = false;
    std::string statusLine;
    std::vector<Box> messages; // modal boxes
    std::vector<Box> notes;    // boxes about the running job
    std::string savePath, openPath;
    int closed = 0;
    // Runs inside a note's box, as a modal box's message loop would run the job's messages.
    std::function<void()> whileNoteOpen;

    std::string Caption() const override { return caption; }
    void SetCaption(const std::string& text) override { caption = text; }
    void EnableItem(int id, bool on) override { enabled[id] = on; }
    void ShowCloseAsStop(bool stop) override { closeIsStop = stop; }
    void ShowStatusLine(const std::string& text) override { statusLine = text; }
    void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) override
    {
        messages.push_back({text, title, icon});
    }
    void ShowNote(const std::string& text, const std::string& title, MessageIcon icon) override
    {
        notes.push_back({text, title, icon});
        if (whileNoteOpen) {
            auto run = std::move(whileNoteOpen);
            whileNoteOpen = nullptr;
            run();
        }
    }
    std::string ApplicationName() const override { return "pravel"; }
    std::string AskSavePath() override { return savePath; }
    std::string AskOpenPath() override { return openPath; }
    void CloseDialog() override { ++closed; }
};

class CNullNotify : public INotifyWindow {
public:
    void PostMessage(uint32_t, uint32_t, CMessageValue) override {}
    void SendMessage(uint32_t, uint32_t, CMessageValue) override {}
};

class MainDialogController : public ::testing::Test {
protected:
    void SetUp() override
    {
        theJob = ProgrammingJob{};
        controller.Initialise();
    }
    void TearDown() override { controller.ShutDownJob(); }

    bool Enabled(int id) { return window.enabled[id]; }
    void Ready() { items.SetItemText(IDC_PHONE_NUMBER, "5550100"); controller.UpdateButtons(); }
    // The job side ends the job.
    void EndJob()
    {
        runner.running = false;
        controller.OnShowProgress(ProgressEnded, 0);
    }
    std::vector<int> TickedBoxes()
    {
        std::vector<int> ticked;
        for (int row = 0; row < ParameterCount; ++row)
            if (items.IsButtonChecked(ParameterTable[row].updateBoxId))
                ticked.push_back(ParameterTable[row].updateBoxId);
        return ticked;
    }
    std::string TempFile(const std::string& name)
    {
        if (folder.empty()) {
            // A folder of this test's own, on every system.
            static int made = 0;
            const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
            folder = (std::filesystem::path(::testing::TempDir()) /
                      ("pravel-controller-" + std::to_string(stamp) + "-" + std::to_string(++made)))
                         .string();
            std::filesystem::create_directories(folder);
        }
        files.push_back((std::filesystem::path(folder) / name).string());
        return files.back();
    }
    ~MainDialogController() override
    {
        if (!folder.empty()) {
            std::error_code error;
            std::filesystem::remove_all(folder, error);
        }
    }

    CDialogItemModel items;
    CRecordingWindow window;
    CFakeRunner runner;
    CNullNotify notify;
    CMainDialogController controller{items, window, runner, &notify};
    std::string folder;
    std::vector<std::string> files;
};

TEST_F(MainDialogController, StartsWithTheStartValuesAndNothingTicked)
{
    EXPECT_FALSE(controller.IsInitialising());
    EXPECT_TRUE(items.IsButtonChecked(IDC_UNIT_FIRST));
    EXPECT_EQ(items.GetItemText(IDC_PROGRAMMING_CODE), "3958");
    EXPECT_EQ(items.GetComboSelection(IDC_TEST_ALARM_TIME), 10);
    EXPECT_TRUE(TickedBoxes().empty());
    for (int id : {ID_READ, ID_WRITE, ID_READ_ALL, IDC_SAVE})
        EXPECT_FALSE(Enabled(id)) << id; // no number yet
    EXPECT_TRUE(Enabled(IDC_CLOSE));
    EXPECT_FALSE(window.closeIsStop);
    EXPECT_TRUE(controller.IsEscapeBlocked());
}

TEST_F(MainDialogController, ButtonRules)
{
    struct Case {
        const char* number;
        const char* code;
        bool ticked;
        bool readWrite, readAllSave;
    };
    const Case cases[] = {
        {"", "3958", true, false, false},      {"5550100", "395", true, false, false},
        {"5550100", "3958", false, false, true}, {"5550100", "3958", true, true, true},
    };
    for (const Case& c : cases) {
        items.SetItemText(IDC_PHONE_NUMBER, c.number);
        items.SetItemText(IDC_PROGRAMMING_CODE, c.code);
        items.CheckButton(1013, c.ticked);
        controller.UpdateButtons();
        EXPECT_EQ(Enabled(ID_READ), c.readWrite) << c.number << "/" << c.code;
        EXPECT_EQ(Enabled(ID_WRITE), c.readWrite) << c.number << "/" << c.code;
        EXPECT_EQ(Enabled(ID_READ_ALL), c.readAllSave) << c.number << "/" << c.code;
        EXPECT_EQ(Enabled(IDC_SAVE), c.readAllSave) << c.number << "/" << c.code;
    }
    // During a job nothing starts; Close reads Stop until the stop has been asked for.
    controller.OnRead();
    ASSERT_TRUE(controller.IsJobRunning());
    for (int id : {ID_READ, ID_WRITE, ID_READ_ALL, IDC_SAVE})
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_TRUE(window.closeIsStop);
    EXPECT_TRUE(Enabled(IDC_CLOSE));
    controller.OnCloseButton();
    EXPECT_EQ(runner.stopRequests, 1);
    EXPECT_EQ(controller.Status().State(), JobState::Stopping);
    EXPECT_FALSE(Enabled(IDC_CLOSE));
    EndJob();
    EXPECT_FALSE(window.closeIsStop);
    EXPECT_TRUE(Enabled(IDC_CLOSE));
    EXPECT_TRUE(Enabled(ID_READ));
    EXPECT_EQ(window.closed, 0);
}

TEST_F(MainDialogController, ValueChangesTickTheirBoxButNotWhileInitialisingOrLoading)
{
    CDialogItemModel other;
    CMainDialogController fresh(other, window, runner, &notify);
    fresh.OnValueChanged(1013); // before Initialise: the start values tick nothing
    EXPECT_FALSE(other.IsButtonChecked(1013));
    controller.OnValueChanged(1013);
    EXPECT_TRUE(items.IsButtonChecked(1013));
    Ready();
    EXPECT_TRUE(Enabled(ID_READ));
}

TEST_F(MainDialogController, NoUnitChosenStartsNothing)
{
    Ready();
    items.CheckButton(IDC_UNIT_FIRST, false);
    controller.OnReadAll();
    EXPECT_EQ(runner.starts, 0);
    EXPECT_FALSE(controller.IsJobRunning());
}

TEST_F(MainDialogController, ReadAllTicksEveryBoxFillsTheJobAndStartsOnce)
{
    Ready();
    EXPECT_FALSE(controller.OnButton(ID_HELP)); // the window's
    EXPECT_FALSE(controller.OnButton(IDC_COM_PORT));
    EXPECT_EQ(runner.starts, 0);
    EXPECT_TRUE(controller.OnButton(ID_READ_ALL));
    EXPECT_EQ(runner.starts, 1);
    EXPECT_EQ(TickedBoxes().size(), size_t(ParameterCount));
    EXPECT_EQ(theJob.mode, JobRead);
    EXPECT_STREQ(theJob.phoneNumber, "5550100");
    EXPECT_EQ(theJob.notifyWindow, &notify);
    EXPECT_EQ(window.statusLine, "Read all: starting, 0 of 21 values");
    for (int id : {ID_READ_ALL, ID_READ, ID_WRITE, IDC_SAVE})
        EXPECT_TRUE(controller.OnButton(id));
    EXPECT_EQ(runner.starts, 1);
}

TEST_F(MainDialogController, WriteCopiesTheValuesAndAChoiceTypedIntoACombo)
{
    Ready();
    items.SetItemText(1003, "4711");
    items.CheckButton(1013, true);
    items.CheckButton(1040, true);
    items.SetComboSelection(IDC_TEST_ALARM_TIME, 2);
    controller.OnWrite();
    ASSERT_EQ(runner.starts, 1);
    EXPECT_EQ(theJob.mode, JobWrite);
    EXPECT_STREQ(theJob.Slot(ParameterTable[FindParameterByUpdateBox(1013)].slot), "4711");
    EXPECT_STREQ(theJob.Slot(ParameterTable[FindParameterByUpdateBox(1040)].slot), "2");
}

TEST(ComboChoice, TypedTextIsTheItemOfThatTextOrNone)
{
    // A model that keeps the combo's typed text, as a window's editable combo does.
    class CTypedCombo : public CDialogItemModel {
    public:
        std::string typed;
        std::string GetItemText(int id) const override
        {
            return id == IDC_TEST_ALARM_TIME ? typed : CDialogItemModel::GetItemText(id);
        }
    } items;
    items.SetComboSelection(IDC_TEST_ALARM_TIME, 3);
    EXPECT_EQ(ComboChoice(items, IDC_TEST_ALARM_TIME), 3); // nothing typed: the selection
    items.typed = "7";
    EXPECT_EQ(ComboChoice(items, IDC_TEST_ALARM_TIME), 7);
    items.typed = "(Deactivated)";
    EXPECT_EQ(ComboChoice(items, IDC_TEST_ALARM_TIME), 10);
    items.typed = "abc";
    EXPECT_EQ(ComboChoice(items, IDC_TEST_ALARM_TIME), -1);

    // Written: refused with the field's label, nothing dialled.
    theJob = ProgrammingJob{};
    CRecordingWindow window;
    CFakeRunner runner;
    CMainDialogController controller(items, window, runner, nullptr);
    controller.Initialise();
    items.SetItemText(IDC_PHONE_NUMBER, "5550100");
    items.CheckButton(1040, true);
    controller.OnWrite();
    EXPECT_EQ(runner.starts, 0);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].text, ControlLabel(IDC_TEST_ALARM_TIME) + ": choose a value from 0 to 10.");
    EXPECT_EQ(window.statusLine, window.messages[0].text);
}

TEST_F(MainDialogController, BadInputIsRefusedWithAMessageAndNothingDialled)
{
    items.SetItemText(IDC_PHONE_NUMBER, "555;0100");
    items.CheckButton(1013, true);
    controller.OnRead();
    EXPECT_EQ(runner.starts, 0);
    EXPECT_FALSE(controller.IsJobRunning());
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].caption, LoadString(IDS_PROGRAM_TITLE));
    EXPECT_TRUE(window.messages[0].icon == MessageIcon::Exclamation);
    EXPECT_EQ(window.statusLine, window.messages[0].text);
    EXPECT_EQ(controller.Status().State(), JobState::Failed);
}

TEST_F(MainDialogController, AWorkerThatCannotStartLeavesTheButtonsFree)
{
    Ready();
    runner.canStart = false;
    controller.OnReadAll();
    EXPECT_FALSE(controller.IsJobRunning());
    EXPECT_EQ(window.statusLine, "The job could not be started.");
    EXPECT_TRUE(Enabled(ID_READ_ALL));
}

TEST_F(MainDialogController, CaptionPerStage)
{
    const std::string base = window.caption;
    const struct {
        uint32_t stage;
        long count;
        std::string caption;
    } stages[] = {
        {ProgressDialing, 2, base + LoadString(IDS_DIALING) + " (2)"},
        {ProgressConnected, 0, base + LoadString(IDS_CONNECTED)},
        {ProgressTransfer, 0, base + LoadString(IDS_TRANSFER)},
        // The job still runs while it logs off: the last stage stays.
        {ProgressLogoff, 0, base + LoadString(IDS_TRANSFER)},
        {99, 0, base + LoadString(IDS_TRANSFER)},
        {ProgressEnded, 0, base},
    };
    Ready();
    controller.OnReadAll();
    for (const auto& s : stages) {
        if (s.stage == ProgressEnded)
            runner.running = false;
        controller.OnShowProgress(s.stage, s.count);
        EXPECT_EQ(window.caption, s.caption) << s.stage;
    }
    EXPECT_EQ(controller.BaseCaption(), base);
}

TEST_F(MainDialogController, CaptionStatusLineAndButtonsChangeTogetherAtTheJobsEnd)
{
    Ready();
    const std::string base = window.caption;
    for (uint32_t last : {uint32_t(ProgressTransfer), uint32_t(ProgressBadCode)}) {
        controller.OnReadAll();
        std::vector<uint32_t> stages = {ProgressDialing, ProgressConnected, last, ProgressLogoff};
        for (uint32_t stage : stages) {
            controller.OnShowProgress(stage, 1);
            SCOPED_TRACE(stage);
            EXPECT_NE(window.caption, base);
            EXPECT_TRUE(controller.Status().IsActive());
            EXPECT_TRUE(window.closeIsStop);
            EXPECT_FALSE(Enabled(ID_READ_ALL));
        }
        EndJob();
        EXPECT_EQ(window.caption, base);
        EXPECT_FALSE(controller.Status().IsActive());
        EXPECT_FALSE(window.closeIsStop);
        EXPECT_TRUE(Enabled(ID_READ_ALL));
        EXPECT_EQ(window.statusLine.find("logging off"), std::string::npos) << window.statusLine;
    }
}

TEST_F(MainDialogController, ARefusedCodeGetsOneBoxAndThePlainCaptionOnceTheJobHasEnded)
{
    Ready();
    controller.OnReadAll();
    // The box runs the message loop, and the job's end arrives while it is open.
    std::string captionInBox;
    window.whileNoteOpen = [&] {
        captionInBox = window.caption;
        EndJob();
    };
    controller.OnShowProgress(ProgressBadCode, 0);
    ASSERT_EQ(window.notes.size(), 1u);
    EXPECT_EQ(window.notes[0].text, CJobStatus::CodeRefusedText() + ". Check the programming code and try again.");
    EXPECT_EQ(captionInBox, std::string("Pravel 1.09 - ") + LoadString(IDS_BAD_CODE));
    EXPECT_EQ(window.caption, "Pravel 1.09");
    EXPECT_EQ(window.statusLine, CJobStatus::CodeRefusedText());
    EXPECT_FALSE(controller.IsJobRunning());
    EXPECT_EQ(controller.Status().State(), JobState::CodeRefused);
    EXPECT_TRUE(Enabled(ID_READ_ALL));
    // Without a nested end the caption names the refusal until the job ends, also while the
    // unit is logged off.
    controller.OnReadAll();
    controller.OnShowProgress(ProgressBadCode, 0);
    EXPECT_EQ(window.caption, std::string("Pravel 1.09 - ") + LoadString(IDS_BAD_CODE));
    controller.OnShowProgress(ProgressLogoff, 0);
    EXPECT_EQ(window.caption, std::string("Pravel 1.09 - ") + LoadString(IDS_BAD_CODE));
    EXPECT_EQ(window.notes.size(), 2u);
    EndJob();
    EXPECT_EQ(window.caption, "Pravel 1.09");
    EXPECT_EQ(window.statusLine, CJobStatus::CodeRefusedText());
}

TEST_F(MainDialogController, TheJobsEndWhileAnEarlierBoxIsOpenReleasesEverything)
{
    Ready();
    controller.OnReadAll();
    controller.OnShowProgress(ProgressTransfer, 0);
    // The first failure's box is still open when the log-off and the end arrive.
    window.whileNoteOpen = [this] {
        controller.OnShowProgress(ProgressLogoff, 0);
        EndJob();
    };
    controller.OnJobMessage("The unit does not answer.", "Pravel", MessageIcon::Error);
    EXPECT_EQ(window.caption, "Pravel 1.09");
    EXPECT_EQ(window.statusLine, "The unit does not answer.");
    EXPECT_FALSE(window.closeIsStop);
    EXPECT_TRUE(Enabled(ID_READ_ALL));
}

TEST_F(MainDialogController, ValuesOfAReadJobFillTheControlsClearTheBoxesAndRerunTheRules)
{
    Ready();
    items.CheckButton(1010, true);
    controller.OnRead();
    ASSERT_TRUE(controller.IsJobRunning());
    EndJob();
    controller.OnSetText(1010, CMessageValue::Text("0401234"));
    EXPECT_EQ(items.GetItemText(1000), "0401234");
    EXPECT_FALSE(items.IsButtonChecked(1010));
    // The last ticked box was cleared: Read and Write go grey at once.
    EXPECT_FALSE(Enabled(ID_READ));
    EXPECT_FALSE(Enabled(ID_WRITE));
}

TEST_F(MainDialogController, ValuesCountInTheStatusLineOnlyForTheJobsSelection)
{
    Ready();
    items.CheckButton(1010, true);
    items.CheckButton(1011, true);
    controller.OnRead();
    controller.OnSetText(1010, CMessageValue::Text("1"));
    controller.OnSetText(1012, CMessageValue::Text("2")); // not chosen: not counted
    EXPECT_EQ(controller.Status().Done(), 1);
    EXPECT_EQ(controller.Status().Total(), 2);
    EXPECT_NE(window.statusLine.find("1 of 2 values"), std::string::npos) << window.statusLine;
}

TEST_F(MainDialogController, AWriteJobOnlyClearsTheBox)
{
    Ready();
    items.SetItemText(1000, "111");
    items.CheckButton(1010, true);
    controller.OnWrite();
    controller.OnSetText(1010, CMessageValue::Text("999"));
    EXPECT_EQ(items.GetItemText(1000), "111");
    EXPECT_FALSE(items.IsButtonChecked(1010));
}

TEST_F(MainDialogController, OnlyTheFirstFailureOfAJobGetsABox)
{
    Ready();
    controller.OnReadAll();
    controller.OnJobMessage("The modem does not answer.", "Pravel", MessageIcon::Error);
    controller.OnJobMessage("The port could not be closed.", "Pravel", MessageIcon::Error);
    ASSERT_EQ(window.notes.size(), 1u);
    EXPECT_EQ(window.notes[0].text, "The modem does not answer.");
    EXPECT_NE(window.statusLine.find("The modem does not answer."), std::string::npos) << window.statusLine;
}

TEST_F(MainDialogController, ClosingDuringAJobStopsItAndClosesOnceItHasEnded)
{
    EXPECT_TRUE(controller.OnCloseRequest()); // no job: at once
    Ready();
    controller.OnReadAll();
    EXPECT_FALSE(controller.OnCloseRequest());
    EXPECT_FALSE(controller.IsEscapeBlocked());
    EXPECT_EQ(runner.stopRequests, 1);
    EXPECT_EQ(window.closed, 0);
    EndJob();
    EXPECT_EQ(window.closed, 1);
    EXPECT_EQ(controller.Status().State(), JobState::Stopped);
}

TEST_F(MainDialogController, TheCloseButtonEndsTheDialogAndUnblocksEsc)
{
    EXPECT_TRUE(controller.OnButton(IDC_CLOSE));
    EXPECT_EQ(window.closed, 1);
    EXPECT_FALSE(controller.IsEscapeBlocked());
}

TEST_F(MainDialogController, ShuttingDownStopsAJobOfOursAndForgetsTheWindow)
{
    Ready();
    controller.OnReadAll();
    controller.ShutDownJob();
    EXPECT_EQ(runner.stops, 1);
    EXPECT_EQ(theJob.notifyWindow, nullptr);
    EXPECT_FALSE(controller.IsJobRunning());
}

TEST_F(MainDialogController, SaveThenLoadRestoresTheValuesAndTheBoxes)
{
    Ready();
    items.SetItemText(1001, "0401234");
    items.SetComboSelection(IDC_TEST_ALARM_TIME, 3);
    items.CheckButton(1011, true);
    items.CheckButton(1040, true);
    controller.OnSave(); // the file dialog cancelled: nothing written
    EXPECT_TRUE(window.messages.empty());
    window.savePath = window.openPath = TempFile("unit.oxl");
    controller.OnSave();
    ASSERT_TRUE(window.messages.empty()) << window.messages[0].text;

    items.SetItemText(1001, "999");
    items.SetComboSelection(IDC_TEST_ALARM_TIME, 7);
    items.CheckButton(1011, false);
    items.CheckButton(1013, true);
    controller.OnLoad();
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(items.GetItemText(1001), "0401234");
    EXPECT_EQ(items.GetComboSelection(IDC_TEST_ALARM_TIME), 3);
    EXPECT_EQ(TickedBoxes(), (std::vector<int>{1011, 1040}));
    EXPECT_TRUE(Enabled(ID_READ));
}

TEST_F(MainDialogController, LoadFailuresSayWhatHappenedAndWarnOfValuesBeforeADamagedPart)
{
    Ready();
    for (int i = 0; i < 10; ++i)
        items.SetItemText(1000 + i, std::to_string(100 + i));
    const std::string path = TempFile("unit.oxl");
    window.savePath = window.openPath = path;
    controller.OnSave();
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> image{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    in.close();
    // Where field 12 begins: after the header and eleven texts.
    size_t position = 10;
    std::string text;
    for (int field = 1; field <= 11; ++field)
        ASSERT_TRUE(ReadText(image.data(), position, image.size(), &text));
    auto write = [&path](const std::vector<uint8_t>& bytes) {
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    };

    CDialogItemModel fresh;
    CMainDialogController other(fresh, window, runner, &notify);
    other.Initialise();
    fresh.SetItemText(1007, "keep-4");
    write(std::vector<uint8_t>(image.begin(), image.begin() + long(position) + 3));
    other.OnLoad();
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].text.rfind(LoadString(IDS_FILE_CORRUPT), 0), 0u);
    EXPECT_NE(window.messages[0].text.find("already loaded"), std::string::npos);
    EXPECT_EQ(window.messages[0].caption, "pravel");
    EXPECT_EQ(fresh.GetItemText(1006), "106");
    EXPECT_EQ(fresh.GetItemText(1007), "keep-4");

    // Damaged before any value: the plain message.
    CDialogItemModel untouched;
    CMainDialogController third(untouched, window, runner, &notify);
    third.Initialise();
    write(std::vector<uint8_t>(image.begin(), image.begin() + 12));
    third.OnLoad();
    ASSERT_EQ(window.messages.size(), 2u);
    EXPECT_EQ(window.messages[1].text.find("already loaded"), std::string::npos) << window.messages[1].text;

    window.openPath = folder + "/missing.oxl";
    other.OnLoad();
    ASSERT_EQ(window.messages.size(), 3u);
    EXPECT_NE(window.messages[2].text.find("missing.oxl"), std::string::npos);

    window.savePath = folder + "/no/such/folder/unit.oxl";
    controller.OnSave();
    ASSERT_EQ(window.messages.size(), 4u);
    EXPECT_EQ(window.messages[3].text.rfind("Failed to create file (", 0), 0u);
}

} // namespace
