#include "unit/StatusRecord.h"

#include <gtest/gtest.h>

#include "unit/UnitCommands.h"

namespace {

std::vector<int> Ids(const std::vector<StatusValue>& values)
{
    std::vector<int> ids;
    for (const auto& v : values)
        ids.push_back(v.id);
    return ids;
}

const StatusValue& ById(const std::vector<StatusValue>& values, int id)
{
    for (const auto& v : values)
        if (v.id == id)
            return v;
    static StatusValue none{0, {}, true, "", ""};
    ADD_FAILURE() << "no value for id " << id;
    return none;
}

} // namespace

TEST(StatusRecord, FullRecordOfFirmwareTwoInReportingOrder)
{
    //                                0123456789012345678
    auto values = DecodeStatusRecord("7101395804xA3121101", '2');
    EXPECT_EQ(Ids(values), (std::vector<int>{1042, 1043, 1037, 1038, 1041, 1040, 1044, 1048, 1062, 1060, 1064, 1036}));
    EXPECT_EQ(ById(values, 1042).value.TextValue(), "7");
    EXPECT_EQ(ById(values, 1043).value.NumberValue(), 1);
    EXPECT_EQ(ById(values, 1037).value.NumberValue(), 1);
    EXPECT_EQ(ById(values, 1038).value.TextValue(), "3958");
    EXPECT_EQ(ById(values, 1041).value.TextValue(), "4");
    EXPECT_EQ(ById(values, 1040).value.NumberValue(), 10);
    EXPECT_EQ(ById(values, 1044).value.TextValue(), "3");
    EXPECT_EQ(ById(values, 1048).value.TextValue(), "12");
    EXPECT_EQ(ById(values, 1062).value.NumberValue(), 1);
    EXPECT_EQ(ById(values, 1060).value.NumberValue(), 1);
    EXPECT_EQ(ById(values, 1064).value.NumberValue(), 0);
    EXPECT_EQ(ById(values, 1036).value.NumberValue(), 1);
}

TEST(StatusRecord, LinePowerAndDigitsDecodeByPosition)
{
    auto values = DecodeStatusRecord("0000123430x7510120", '1');
    EXPECT_EQ(ById(values, 1043).value.NumberValue(), 0);
    EXPECT_EQ(ById(values, 1037).value.NumberValue(), 0);
    EXPECT_EQ(ById(values, 1041).value.TextValue(), "30");
    EXPECT_EQ(ById(values, 1040).value.NumberValue(), 7);
    EXPECT_EQ(ById(values, 1060).value.NumberValue(), 2);
}

TEST(StatusRecord, FirmwareOneIgnoresPosition18)
{
    auto values = DecodeStatusRecord("7101395804xA3121101", '1');
    EXPECT_EQ(values.size(), 11u);
    EXPECT_EQ(values.back().id, 1064);
}

TEST(StatusRecord, ThirteenCharactersReportPositionsUpTo12Only)
{
    auto values = DecodeStatusRecord("7101395804xA3", '2');
    EXPECT_EQ(Ids(values), (std::vector<int>{1042, 1043, 1037, 1038, 1041, 1040, 1044}));
}

TEST(StatusRecord, ShortRecordReportsOnlyWhatIsPresent)
{
    EXPECT_EQ(Ids(DecodeStatusRecord("71013", '2')), (std::vector<int>{1042, 1043, 1037}));
    EXPECT_EQ(Ids(DecodeStatusRecord("7101395", '2')), (std::vector<int>{1042, 1043, 1037}));
    EXPECT_EQ(Ids(DecodeStatusRecord("71013958", '2')), (std::vector<int>{1042, 1043, 1037, 1038}));
    EXPECT_TRUE(DecodeStatusRecord("", '2').empty());
    // Fourteen characters: position 13 alone is not a whole AlarmType.
    EXPECT_EQ(Ids(DecodeStatusRecord("7101395804xA31", '2')).back(), 1044);
    EXPECT_EQ(Ids(DecodeStatusRecord("7101395804xA312", '2')).back(), 1048);
    EXPECT_EQ(Ids(DecodeStatusRecord("7101395804xA3121101", '2')).size(), 12u);
}

TEST(LoginAnswer, RefusedCodeOrFirmware)
{
    EXPECT_TRUE(ParseLoginAnswer("011").refused);
    EXPECT_TRUE(ParseLoginAnswer("0115").refused);
    LoginAnswer ok = ParseLoginAnswer("207");
    EXPECT_FALSE(ok.refused);
    EXPECT_EQ(ok.firmwareText, "2.0.7");
    EXPECT_EQ(ok.firmwareMajor, '2');
    EXPECT_EQ(ParseLoginAnswer("1").firmwareText, "1");
    EXPECT_EQ(ParseLoginAnswer("").firmwareMajor, '\0');
}

TEST(UnitCommands, ValueConversionsOfTheLastTwoParameters)
{
    EXPECT_EQ(TestAlarmTimeWriteCode("10"), "21251A");
    EXPECT_EQ(TestAlarmTimeWriteCode("0"), "212510");
    EXPECT_EQ(TestAlarmTimeWriteCode("7"), "212517");
    EXPECT_EQ(AlarmButtonDelayWriteCode("4"), "2124804");
    EXPECT_EQ(AlarmButtonDelayWriteCode("5"), "2124805");
    EXPECT_EQ(AlarmButtonDelayWriteCode("30"), "2124830");
}

TEST(UnitCommands, LongNumberPartnersAreTwelveLocationsOn)
{
    for (const UnitCommand& command : UnitCommands) {
        if (command.writeRestCode == nullptr)
            continue;
        int location = std::stoi(std::string(command.writeCode).substr(2));
        int rest = std::stoi(std::string(command.writeRestCode).substr(2));
        EXPECT_EQ(rest, location + 12) << ParameterTable[command.row].name;
    }
    EXPECT_EQ(UnitCommandFor(RowBatteryAlarmCode)->readCode, std::string("22276"));
    EXPECT_TRUE(UnitCommandFor(RowLedSequence)->needsFirmware2);
    EXPECT_EQ(UnitCommandFor(RowStatus), nullptr);
    EXPECT_EQ(UnitCommandFor(RowNone), nullptr);
}

// Only the twelve numbers and codes are read by a code of their own; the rest come with the status
// record. Every parameter has a write code "21" + three digits.
TEST(UnitCommands, ReadCodesForTheNumbersAndCodesAndAWriteCodeForEveryParameter)
{
    for (const UnitCommand& command : UnitCommands) {
        const ParameterDescriptor& p = ParameterTable[command.row];
        EXPECT_EQ(command.readCode != nullptr, command.row <= RowSequenceReceiver6) << p.name;
        EXPECT_EQ(command.writeRestCode != nullptr, p.kind == KindText && p.maxLength == 20) << p.name;
        ASSERT_NE(command.writeCode, nullptr) << p.name;
        EXPECT_EQ(std::string(command.writeCode).size(), 5u) << p.name;
        EXPECT_EQ(std::string(command.writeCode).substr(0, 2), "21") << p.name;
    }
}

namespace {

// The names of the values that fail their check, in report order.
std::vector<std::string> Invalid(std::string_view record, char firmwareMajor = '2')
{
    std::vector<std::string> names;
    for (const StatusValue& value : DecodeStatusRecord(record, firmwareMajor))
        if (!value.valid)
            names.push_back(std::string(value.name) + "=" + value.raw);
    return names;
}

TEST(DecodeStatusRecord, ChecksEachValueAgainstItsParameter)
{
    using Names = std::vector<std::string>;
    struct Case {
        const char* record;
        Names invalid;
    } cases[] = {
        {"7101395804xA3121101", {}},
        {"#101395802x93991200", {}}, // the edges: delay 02, TestAlarmTime 9, AlarmType 99, acknowledge 2
        {"7101395830xA3121101", {}},  // delay 30
        {"7101395801xA3121101", {"AlarmButtonDelay=01"}},
        {"7101395831xA3121101", {"AlarmButtonDelay=31"}},
        {"7201395804xA3121101", {"power source=2"}},
        {"7101395804xA3121301", {"PhoneAcknowledge=3"}},
        {"71013A5804xB3X11101", {"programming code=3A58", "TestAlarmTime=B", "AlarmType=X1"}},
        {"Z1Z1395804xA3121102", {"status position 0=Z", "LedSequence=2"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Invalid(c.record), c.invalid) << c.record;
    // Position 18 is not looked at for firmware 1.
    EXPECT_TRUE(Invalid("7101395804xA3121102", '1').empty());
}

} // namespace
