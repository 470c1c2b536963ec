#include "files/ParameterFile.h"
#include "form/ParameterFileLoader.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "files/ParameterFileSamples.h"
#include "files/ParameterFileCodec.h"
#include "model/DialogIds.h"
#include "form/DialogItemModel.h"
#include "form/ParameterForm.h"
#include "model/ParameterTable.h"

namespace {

// Every control of the main dialog that a file touches, as it stands.
struct Snapshot {
    std::map<int, std::string> texts;
    std::map<int, bool> buttons;
    std::map<int, int> combos;
    bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const IDialogItems& items)
{
    Snapshot s;
    for (int id : {IDC_PHONE_NUMBER, IDC_PROGRAMMING_CODE, IDC_POWER_STATUS, IDC_FIRMWARE})
        s.texts[id] = items.GetItemText(id);
    for (int id = IDC_UNIT_FIRST; id <= IDC_UNIT_LAST; ++id)
        s.buttons[id] = items.IsButtonChecked(id);
    for (int row = 0; row < ParameterCount; ++row) {
        const ParameterDescriptor& p = ParameterTable[row];
        s.buttons[p.updateBoxId] = items.IsButtonChecked(p.updateBoxId);
        if (p.kind == KindText)
            s.texts[p.valueControlId] = items.GetItemText(p.valueControlId);
        else if (p.kind == KindCombo)
            s.combos[p.valueControlId] = items.GetComboSelection(p.valueControlId);
        else
            s.buttons[p.valueControlId] = items.IsButtonChecked(p.valueControlId);
        if (p.secondControlId != 0)
            s.buttons[p.secondControlId] = items.IsButtonChecked(p.secondControlId);
    }
    return s;
}

std::vector<uint8_t> Save(const IDialogItems& items)
{
    ProgrammingJob job{};
    EXPECT_TRUE(FillJob(items, job, JobRead, nullptr));
    CopyValuesToJob(items, job);
    return BuildParameterImage(job, items.GetItemText(IDC_POWER_STATUS), items.GetItemText(IDC_FIRMWARE));
}

LoadOutcome Load(const std::vector<uint8_t>& bytes, IDialogItems& items, int* version = nullptr)
{
    return LoadParameterImage(bytes.data(), bytes.size(), items, version);
}

void SetMask(IDialogItems& items, uint32_t mask)
{
    for (int row = 0; row < ParameterCount; ++row)
        items.CheckButton(ParameterTable[row].updateBoxId, (mask & ParameterTable[row].maskBit) != 0);
}

// A dialog whose every control differs from the start values and from ImageFields' defaults.
void Scramble(IDialogItems& items)
{
    SetInitialValues(items);
    for (int row = 0; row < ParameterCount; ++row)
        if (ParameterTable[row].kind == KindText)
            items.SetItemText(ParameterTable[row].valueControlId, "zz");
    items.SetItemText(IDC_PHONE_NUMBER, "zz");
    items.SetItemText(IDC_POWER_STATUS, "zz");
    items.SetItemText(IDC_FIRMWARE, "zz");
    CheckRadioButton(items, IDC_TWO_COLOURS, IDC_ONE_COLOUR, IDC_ONE_COLOUR);
    items.CheckButton(IDC_DIAL_TONE, true);
    items.CheckButton(IDC_ID_BEEP, true);
    items.CheckButton(IDC_INFO_ALARM, true);
    SetMask(items, AllParametersMask);
}

struct ParameterFile : ::testing::Test {
    CDialogItemModel items;
    void SetUp() override { Scramble(items); }
};

} // namespace

TEST(ParameterFileSaveLoad, RestoresEveryControlAndUpdateBox)
{
    const uint32_t masks[] = {0x80, 0x80 | 0x1, 0x80 | 0x200000, 0x80 | 0x40000 | 0x8000, AllParametersMask, 0};
    for (uint32_t mask : masks) {
        for (bool on : {true, false}) {
            SCOPED_TRACE(testing::Message() << "mask " << std::hex << mask << " flags " << on);
            CDialogItemModel source;
            SetInitialValues(source);
            int n = 0;
            for (int row = 0; row < ParameterCount; ++row) {
                const ParameterDescriptor& p = ParameterTable[row];
                if (p.kind == KindText)
                    source.SetItemText(p.valueControlId, std::to_string(10 + n++).substr(0, p.maxLength));
            }
            source.SetItemText(IDC_PHONE_NUMBER, "+49 (30) 1234\xE9");
            source.SetItemText(IDC_PROGRAMMING_CODE, "0815");
            source.SetItemText(IDC_POWER_STATUS, on ? "External power" : "Line power");
            source.SetItemText(IDC_FIRMWARE, "2.13\x80");
            CheckRadioButton(source, IDC_TWO_COLOURS, IDC_ONE_COLOUR, on ? IDC_TWO_COLOURS : IDC_ONE_COLOUR);
            source.CheckButton(IDC_DIAL_TONE, on);
            source.CheckButton(IDC_ID_BEEP, !on);
            source.CheckButton(IDC_INFO_ALARM, on);
            source.SetComboSelection(IDC_TEST_ALARM_TIME, on ? 3 : 10);
            source.SetComboSelection(IDC_PHONE_ACKNOWLEDGE, on ? 2 : -1);
            CheckRadioButton(source, IDC_UNIT_FIRST, IDC_UNIT_LAST, on ? IDC_UNIT_LAST : 1024);
            SetMask(source, mask);

            CDialogItemModel target;
            Scramble(target);
            int version = -2;
            ASSERT_EQ(Load(Save(source), target, &version), LoadOutcome::Loaded);
            EXPECT_EQ(version, 3);
            EXPECT_EQ(Take(target), Take(source));
        }
    }
}

TEST(ParameterFileSaveLoad, WrittenImageIsByteExact)
{
    ProgrammingJob job{};
    job.reset(nullptr);
    std::snprintf(job.phoneNumber, sizeof job.phoneNumber, "5");
    std::snprintf(job.programmingCode, sizeof job.programmingCode, "3958");
    job.unit = 3;
    job.selectionMask = 0x00210081;
    job.SetSlot(SlotLedSequence, "1");
    job.SetSlot(SlotDialToneDetection, "0");
    job.SetSlot(SlotPhoneAcknowledge, "0");
    job.SetSlot(SlotTestAlarmTime, "10");
    job.SetSlot(SlotAlarmButtonDelay, "4");
    job.SetSlot(SlotAlarmType, "10");
    job.SetSlot(SlotIdBeep, "0");
    job.SetSlot(SlotInfoAlarm, "1");
    job.SetSlot(SlotAlarmReceiver2, "12");
    job.SetSlot(SlotBatteryAlarmCode, "9");
    std::vector<uint8_t> image = BuildParameterImage(job, "External power", "2.13");

    const std::string expected = std::string("OXL!\x03\x00\x00\x00\x81\x00", 10) +
                                 std::string("\x01\x00" "5\x00" "\x04\x00" "3958\x00", 11) + // number, code
                                 std::string("\x00\x00\x00" "\x02\x00" "12\x00", 8) +       // receivers 1, 2
                                 std::string(6, '\0') +                                    // test, battery
                                 std::string(9, '\0') +                                    // codes 1, 2, test
                                 std::string("\x01\x00" "9\x00", 4) +                       // battery code
                                 std::string(12, '\0') +                                   // sequence 3-6
                                 std::string("\x01\x00" "1\x00" "\x01\x00" "0\x00", 8) +    // LED, dial tone
                                 std::string(3, '\0') +                                    // new code
                                 std::string("\x01\x00" "0\x00" "\x02\x00" "10\x00", 9) +   // acknowledge, time
                                 std::string("\x01\x00" "4\x00", 4) +                       // delay
                                 std::string("\x21\x00", 2) +                               // mask high
                                 std::string("\x02\x00" "10\x00" "\x01\x00" "0\x00" "\x01\x00" "1\x00", 13) +
                                 std::string("\x02\x00", 2) +                               // unit 3
                                 std::string("\x0E\x00" "External power\x00" "\x04\x00" "2.13\x00", 24);
    EXPECT_EQ(std::string(image.begin(), image.end()), expected);
    EXPECT_EQ(image.size(), 89u + 1 + 4 + 2 + 1 + 1 + 1 + 1 + 2 + 1 + 2 + 1 + 1 + 14 + 4);
}

TEST(ParameterFileSaveLoad, SlotsWithoutTerminatorNeverSpillIntoTheNextField)
{
    ProgrammingJob job;
    std::memset(&job, 'A', sizeof job);
    job.unit = 1;
    std::vector<uint8_t> image = BuildParameterImage(job, "", "");
    size_t texts = 20 + 4; // number and code at their widths
    for (int slot = 0; slot < SlotCount; ++slot)
        texts += static_cast<size_t>(SlotWidths[slot] - 1);
    EXPECT_EQ(image.size(), 89u + texts);
    CDialogItemModel items;
    ASSERT_EQ(Load(image, items), LoadOutcome::Loaded);
    EXPECT_EQ(items.GetItemText(IDC_PHONE_NUMBER), std::string(20, 'A'));
    EXPECT_EQ(items.GetItemText(1000), std::string(20, 'A'));
    EXPECT_EQ(items.GetItemText(IDC_ALARM_BUTTON_DELAY), "AA");
}

TEST(ParameterFileSaveLoad, StatusTextsAreCutSoTheImageFits)
{
    ProgrammingJob job{};
    job.reset(nullptr);
    std::vector<uint8_t> image = BuildParameterImage(job, std::string(20000, 'P'), "2.13");
    EXPECT_EQ(image.size(), ParameterFileImageSize);
    CDialogItemModel items;
    ASSERT_EQ(Load(image, items), LoadOutcome::Loaded);
    size_t fixed = 89; // every other text is empty
    EXPECT_EQ(items.GetItemText(IDC_POWER_STATUS), std::string(ParameterFileImageSize - fixed, 'P'));
    EXPECT_EQ(items.GetItemText(IDC_FIRMWARE), "");

    image = BuildParameterImage(job, "Line power", std::string(20000, 'F'));
    EXPECT_EQ(image.size(), ParameterFileImageSize);
    ASSERT_EQ(Load(image, items), LoadOutcome::Loaded);
    EXPECT_EQ(items.GetItemText(IDC_POWER_STATUS), "Line power");
    EXPECT_EQ(items.GetItemText(IDC_FIRMWARE).size(), ParameterFileImageSize - 89 - 10);

    // A text that fits exactly is kept whole; a zero byte ends it as it ends a control's text.
    image = BuildParameterImage(job, std::string(ParameterFileImageSize - 89, 'P'), std::string("2\0x", 3));
    EXPECT_EQ(image.size(), ParameterFileImageSize);
    image = BuildParameterImage(job, "", std::string("2\0x", 3));
    ASSERT_EQ(Load(image, items), LoadOutcome::Loaded);
    EXPECT_EQ(items.GetItemText(IDC_FIRMWARE), "2");
    EXPECT_EQ(image.size(), 90u);
}

TEST_F(ParameterFile, ShortFilesAndOtherMagicAreNotOurs)
{
    Snapshot before = Take(items);
    std::vector<uint8_t> full = ComposeImage(ImageFields{});
    for (size_t size : {0, 1, 10, 41}) {
        int version = 7;
        EXPECT_EQ(LoadParameterImage(full.data(), size, items, &version), LoadOutcome::NotPravelFile) << size;
        EXPECT_EQ(version, -1);
    }
    EXPECT_EQ(LoadParameterImage(nullptr, 0, items), LoadOutcome::NotPravelFile);
    ImageFields other;
    for (uint32_t magic : {0u, 0x214C5850u, 0x4F584C21u /* "!LXO" */}) {
        other.magic = magic;
        EXPECT_EQ(Load(ComposeImage(other), items), LoadOutcome::NotPravelFile);
    }
    // 42 bytes with the magic pass the first checks and then run out.
    EXPECT_EQ(LoadParameterImage(full.data(), 42, items), LoadOutcome::Corrupt);
    Scramble(items);
    EXPECT_EQ(Take(items), before);
    for (size_t size : {0, 41})
        EXPECT_EQ(LoadParameterImage(full.data(), size, items), LoadOutcome::NotPravelFile);
    EXPECT_EQ(Take(items), before);
}

TEST_F(ParameterFile, NewerVersionChangesNothing)
{
    Snapshot before = Take(items);
    ImageFields newer;
    for (uint16_t v : {4, 5, 0xFFFF}) {
        newer.version = v;
        int version = -2;
        EXPECT_EQ(Load(ComposeImage(newer), items, &version), LoadOutcome::UnknownVersion);
        EXPECT_EQ(version, v);
    }
    EXPECT_EQ(Take(items), before);
}

TEST(ParameterFileMessages, OutcomesNameTheirStrings)
{
    EXPECT_EQ(LoadOutcomeMessageId(LoadOutcome::Loaded), 0);
    EXPECT_EQ(LoadOutcomeMessageId(LoadOutcome::NotPravelFile), 115);
    EXPECT_EQ(LoadOutcomeMessageId(LoadOutcome::UnknownVersion), 116);
    EXPECT_EQ(LoadOutcomeMessageId(LoadOutcome::Corrupt), 117);
}

TEST_F(ParameterFile, VersionThreeLoadsEveryField)
{
    ImageFields f;
    f.mask = 0x80 | 0x10 | 0x100000 | 0x200000;
    ASSERT_EQ(Load(ComposeImage(f), items), LoadOutcome::Loaded);
    EXPECT_EQ(items.GetItemText(IDC_PHONE_NUMBER), "0123456789");
    EXPECT_EQ(items.GetItemText(IDC_PROGRAMMING_CODE), "3958");
    const int edits[] = {1000, 1001, 1002, 1033, 1003, 1004, 1005, 1042, 1006, 1007, 1008, 1009};
    for (size_t i = 0; i < std::size(edits); ++i)
        EXPECT_EQ(items.GetItemText(edits[i]), f.values[i]) << edits[i];
    EXPECT_TRUE(items.IsButtonChecked(IDC_TWO_COLOURS));
    EXPECT_FALSE(items.IsButtonChecked(IDC_ONE_COLOUR));
    EXPECT_FALSE(items.IsButtonChecked(IDC_DIAL_TONE));
    EXPECT_EQ(items.GetItemText(1031), "1234");
    EXPECT_EQ(items.GetComboSelection(IDC_PHONE_ACKNOWLEDGE), 1);
    EXPECT_EQ(items.GetComboSelection(IDC_TEST_ALARM_TIME), 7);
    EXPECT_EQ(items.GetItemText(IDC_ALARM_BUTTON_DELAY), "12");
    EXPECT_EQ(items.GetItemText(IDC_ALARM_TYPE), "42");
    EXPECT_TRUE(items.IsButtonChecked(IDC_ID_BEEP));
    EXPECT_TRUE(items.IsButtonChecked(IDC_INFO_ALARM));
    for (int id = IDC_UNIT_FIRST; id <= IDC_UNIT_LAST; ++id)
        EXPECT_EQ(items.IsButtonChecked(id), id == 1025) << id;
    EXPECT_EQ(items.GetItemText(IDC_POWER_STATUS), "External power");
    EXPECT_EQ(items.GetItemText(IDC_FIRMWARE), "2.13");
    for (int row = 0; row < ParameterCount; ++row)
        EXPECT_EQ(items.IsButtonChecked(ParameterTable[row].updateBoxId), (f.mask & ParameterTable[row].maskBit) != 0)
            << ParameterTable[row].name;
}

TEST_F(ParameterFile, OlderVersionsTakeTheirDefaults)
{
    for (uint16_t v : {0, 1, 2}) {
        SCOPED_TRACE(v);
        Scramble(items);
        ImageFields f;
        f.version = v;
        f.mask = 0x80 | 0x1 | 0x8000 | 0x200000;
        int version = -2;
        ASSERT_EQ(Load(ComposeImage(f), items, &version), LoadOutcome::Loaded);
        EXPECT_EQ(version, v);
        EXPECT_EQ(items.GetItemText(IDC_ALARM_BUTTON_DELAY), "12");
        for (int id = IDC_UNIT_FIRST; id <= IDC_UNIT_LAST; ++id)
            EXPECT_FALSE(items.IsButtonChecked(id)) << id;
        EXPECT_EQ(items.GetItemText(IDC_POWER_STATUS), "");
        EXPECT_EQ(items.GetItemText(IDC_FIRMWARE), "");
        EXPECT_TRUE(items.IsButtonChecked(1017)); // 0x80
        EXPECT_TRUE(items.IsButtonChecked(1048)); // 0x8000, in the low half
        EXPECT_TRUE(items.IsButtonChecked(1010));
        EXPECT_FALSE(items.IsButtonChecked(1011));
        if (v < 2) {
            EXPECT_EQ(items.GetItemText(IDC_ALARM_TYPE), "10");
            EXPECT_FALSE(items.IsButtonChecked(IDC_ID_BEEP));
            EXPECT_FALSE(items.IsButtonChecked(IDC_INFO_ALARM));
            EXPECT_FALSE(items.IsButtonChecked(1036)); // the high half stays zero
        } else {
            EXPECT_EQ(items.GetItemText(IDC_ALARM_TYPE), "42");
            EXPECT_TRUE(items.IsButtonChecked(IDC_ID_BEEP));
            EXPECT_TRUE(items.IsButtonChecked(IDC_INFO_ALARM));
            EXPECT_TRUE(items.IsButtonChecked(1036));
        }
        // With no unit chosen, Save does nothing until the user picks one.
        ProgrammingJob job{};
        EXPECT_FALSE(FillJob(items, job, JobRead, nullptr));
    }
    // Versions 0 and 1 read alike.
    ImageFields v0, v1;
    v0.version = 0;
    v1.version = 1;
    CDialogItemModel a, b;
    ASSERT_EQ(Load(ComposeImage(v0), a), LoadOutcome::Loaded);
    ASSERT_EQ(Load(ComposeImage(v1), b), LoadOutcome::Loaded);
    EXPECT_EQ(Take(a), Take(b));
}

TEST_F(ParameterFile, FileCutInsideFieldTwelveKeepsEarlierFieldsAndTheUpdateBoxes)
{
    ImageFields f;
    f.mask = 0x1;
    std::vector<uint8_t> full = ComposeImage(f);
    size_t start = FieldOffset(f, 12);
    size_t end = FieldOffset(f, 13);
    for (size_t size = start; size < end; ++size) {
        SCOPED_TRACE(size);
        Scramble(items);
        Snapshot before = Take(items);
        ASSERT_EQ(LoadParameterImage(full.data(), size, items), LoadOutcome::Corrupt);
        EXPECT_EQ(items.GetItemText(1005), "33"); // field 9
        EXPECT_EQ(items.GetItemText(1042), "44"); // field 10
        EXPECT_EQ(items.GetItemText(1006), "555"); // field 11
        EXPECT_EQ(items.GetItemText(1007), "zz");  // field 12 untouched
        Snapshot after = Take(items);
        for (int row = 0; row < ParameterCount; ++row)
            EXPECT_EQ(after.buttons[ParameterTable[row].updateBoxId], true) << ParameterTable[row].name;
        EXPECT_EQ(after.buttons, before.buttons); // nothing past field 11 either
    }
}

TEST_F(ParameterFile, EveryCutOfAFileIsCorruptOrNotOurs)
{
    std::vector<uint8_t> full = ComposeImage(ImageFields{});
    for (size_t size = 0; size < full.size(); ++size) {
        LoadOutcome expected = size < 42 ? LoadOutcome::NotPravelFile : LoadOutcome::Corrupt;
        ASSERT_EQ(LoadParameterImage(full.data(), size, items), expected) << size;
    }
    EXPECT_EQ(Load(full, items), LoadOutcome::Loaded);
}

TEST_F(ParameterFile, TextWithoutItsZeroByteIsCorruptEvenWithBytesAfter)
{
    ImageFields f;
    std::vector<uint8_t> image = ComposeImage(f);
    image[FieldOffset(f, 5) + 2 + f.values[2].size()] = 'x';
    image.insert(image.end(), 200, 0);
    EXPECT_EQ(Load(image, items), LoadOutcome::Corrupt);
    EXPECT_EQ(items.GetItemText(1001), "222"); // field 4 was set
    EXPECT_EQ(items.GetItemText(1002), "zz");
}

TEST_F(ParameterFile, ZeroInsideATextCutsItAndTheFieldsAfterStillLoad)
{
    ImageFields f;
    f.number = std::string("12\0" "34", 5);
    ASSERT_EQ(Load(ComposeImage(f), items), LoadOutcome::Loaded);
    EXPECT_EQ(items.GetItemText(IDC_PHONE_NUMBER), "12");
    EXPECT_EQ(items.GetItemText(IDC_PROGRAMMING_CODE), "3958");
}

TEST_F(ParameterFile, LoadedTextLongerThanTheControlIsShownWholeAndCutOnSave)
{
    ImageFields f;
    f.values[0] = std::string(30, '7');
    ASSERT_EQ(Load(ComposeImage(f), items), LoadOutcome::Loaded);
    EXPECT_EQ(items.GetItemText(1000), std::string(30, '7'));
    ProgrammingJob job{};
    CopyValuesToJob(items, job);
    EXPECT_STREQ(job.Slot(SlotAlarmReceiver1), std::string(20, '7').c_str());
}

TEST(ParameterFileCombo, IndexIsTheLeadingDecimalValue)
{
    const std::pair<const char*, int> cases[] = {
        {"0", 0},   {"2", 2},    {"10", 10}, {"-1", -1}, {"+2", 2},  {"2x", 2},           {"", 0},
        {"x", 0},   {"-", 0},    {" 2", 0},  {"-0", 0},  {"007", 7}, {"99999999999", -1}, {"-99999999999", -1},
        {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1}, {"2147483648", -1},
    };
    for (const auto& [text, index] : cases)
        EXPECT_EQ(ComboIndexFromText(text), index) << '"' << text << '"';
}

TEST_F(ParameterFile, ComboTextsOutsideTheListSelectNothing)
{
    ImageFields f;
    const std::pair<const char*, const char*> cases[] = {{"-1", "-1"}, {"3", "11"}, {"99999999999", "-5"}};
    for (const auto& [acknowledge, time] : cases) {
        f.values[15] = acknowledge;
        f.values[16] = time;
        Scramble(items);
        ASSERT_EQ(Load(ComposeImage(f), items), LoadOutcome::Loaded);
        EXPECT_EQ(items.GetComboSelection(IDC_PHONE_ACKNOWLEDGE), -1) << acknowledge;
        EXPECT_EQ(items.GetComboSelection(IDC_TEST_ALARM_TIME), -1) << time;
        // And a Save writes "-1" for them.
        ProgrammingJob job{};
        CopyValuesToJob(items, job);
        EXPECT_STREQ(job.Slot(SlotPhoneAcknowledge), "-1");
        EXPECT_STREQ(job.Slot(SlotTestAlarmTime), "-1");
    }
    f.values[15] = "2";
    f.values[16] = "10";
    ASSERT_EQ(Load(ComposeImage(f), items), LoadOutcome::Loaded);
    EXPECT_EQ(items.GetComboSelection(IDC_PHONE_ACKNOWLEDGE), 2);
    EXPECT_EQ(items.GetComboSelection(IDC_TEST_ALARM_TIME), 10);
}

TEST_F(ParameterFile, FlagRuleOnAllFourFlags)
{
    const std::pair<std::string, bool> cases[] = {{"", false}, {"0", false}, {"01", false}, {"1", true},
                                                  {"2", true}, {"x", true},  {" 0", true}};
    for (const auto& [flag, set] : cases) {
        SCOPED_TRACE('"' + flag + '"');
        EXPECT_EQ(IsFlagSet(flag), set);
        for (bool startChecked : {true, false}) {
            CheckRadioButton(items, IDC_TWO_COLOURS, IDC_ONE_COLOUR, startChecked ? IDC_TWO_COLOURS : IDC_ONE_COLOUR);
            for (int id : {IDC_DIAL_TONE, IDC_ID_BEEP, IDC_INFO_ALARM})
                items.CheckButton(id, startChecked);
            ImageFields f;
            f.values[12] = f.values[13] = f.idBeep = f.infoAlarm = flag;
            ASSERT_EQ(Load(ComposeImage(f), items), LoadOutcome::Loaded);
            EXPECT_EQ(items.IsButtonChecked(IDC_TWO_COLOURS), set);
            EXPECT_EQ(items.IsButtonChecked(IDC_ONE_COLOUR), !set);
            EXPECT_EQ(items.IsButtonChecked(IDC_DIAL_TONE), set);
            EXPECT_EQ(items.IsButtonChecked(IDC_ID_BEEP), set);
            EXPECT_EQ(items.IsButtonChecked(IDC_INFO_ALARM), set);
        }
    }
}

TEST_F(ParameterFile, UnitWordPicksOneRadioOrNone)
{
    ImageFields f;
    for (uint16_t unit : {0, 5, 6, 0xFFFF}) {
        f.unit = unit;
        ASSERT_EQ(Load(ComposeImage(f), items), LoadOutcome::Loaded);
        for (int id = IDC_UNIT_FIRST; id <= IDC_UNIT_LAST; ++id)
            EXPECT_EQ(items.IsButtonChecked(id), id == IDC_UNIT_FIRST + unit) << unit << " " << id;
    }
}

TEST_F(ParameterFile, BytesAfterTheLastFieldAndBeyondTheImageAreIgnored)
{
    ImageFields f;
    std::vector<uint8_t> image = ComposeImage(f);
    std::vector<uint8_t> padded = image;
    padded.resize(3 * ParameterFileImageSize, 0xFF);
    CDialogItemModel plain;
    ASSERT_EQ(Load(image, plain), LoadOutcome::Loaded);
    ASSERT_EQ(Load(padded, items), LoadOutcome::Loaded);
    EXPECT_EQ(Take(items), Take(plain));

    // A file whose last field needs byte 10000 or later: only the first 10000 count.
    f.firmware = std::string(ParameterFileImageSize - image.size() + 4 + 1, 'F');
    std::vector<uint8_t> longer = ComposeImage(f);
    ASSERT_GT(longer.size(), ParameterFileImageSize);
    EXPECT_EQ(Load(longer, items), LoadOutcome::Corrupt);
    f.firmware.resize(f.firmware.size() - 1);
    longer = ComposeImage(f);
    ASSERT_EQ(longer.size(), ParameterFileImageSize);
    EXPECT_EQ(Load(longer, items), LoadOutcome::Loaded);
}
