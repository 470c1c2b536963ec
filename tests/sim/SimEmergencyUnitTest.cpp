#include <cstdio>
#include <gtest/gtest.h>

#include "sim/SimEmergencyUnit.h"

namespace {

std::string Answer(CSimEmergencyUnit& unit, const std::string& code)
{
    auto reply = unit.Handle(code);
    return reply.answer ? *reply.answer : "<none>";
}

CSimEmergencyUnit LoggedIn(SimUnit state = SimUnit{})
{
    CSimEmergencyUnit unit(std::move(state));
    EXPECT_EQ(Answer(unit, "203958"), unit.State().firmware);
    return unit;
}

} // namespace

TEST(SimEmergencyUnit, LoginLogoffAndSilenceBeforeLogin)
{
    CSimEmergencyUnit unit(SimUnit{});
    EXPECT_EQ(Answer(unit, "22000"), "<none>");
    EXPECT_EQ(Answer(unit, "22227"), "<none>");
    EXPECT_EQ(Answer(unit, "201234"), "011");
    EXPECT_FALSE(unit.LoggedIn());
    EXPECT_EQ(Answer(unit, "2039"), "011");
    EXPECT_EQ(Answer(unit, "203958"), "207");
    EXPECT_TRUE(unit.LoggedIn());
    EXPECT_EQ(Answer(unit, "22000"), "0612345678");
    EXPECT_EQ(Answer(unit, "99"), "99");
    EXPECT_FALSE(unit.LoggedIn());
    EXPECT_EQ(Answer(unit, "22000"), "<none>");
    // A log-off is answered even when nobody is logged in (after a refused code).
    EXPECT_EQ(Answer(unit, "99"), "99");
}

TEST(SimEmergencyUnit, NewCodeTakesEffectAtNextLogin)
{
    CSimEmergencyUnit unit = LoggedIn();
    EXPECT_EQ(Answer(unit, "212311234"), "1234");
    EXPECT_EQ(unit.State().programmingCode, "3958");
    EXPECT_EQ(unit.StatusRecord().substr(4, 4), "3958");
    EXPECT_EQ(Answer(unit, "22000"), "0612345678"); // still logged in
    EXPECT_EQ(Answer(unit, "99"), "99");
    EXPECT_EQ(Answer(unit, "203958"), "011");
    EXPECT_EQ(Answer(unit, "201234"), "207");
    EXPECT_EQ(unit.State().programmingCode, "1234");
    EXPECT_EQ(unit.State().settings.at("NewProgrammingCode"), "");
    EXPECT_EQ(unit.StatusRecord().substr(4, 4), "1234");
}

TEST(SimEmergencyUnit, TwoPartNumbers)
{
    CSimEmergencyUnit unit = LoggedIn();
    EXPECT_EQ(Answer(unit, "21021123456789012"), "123456789012");
    EXPECT_EQ(Answer(unit, "2103334567890"), "34567890");
    EXPECT_EQ(unit.State().settings.at("AlarmReceiver2"), "12345678901234567890");
    EXPECT_EQ(Answer(unit, "22021"), "12345678901234567890");
    EXPECT_EQ(Answer(unit, "22033"), "34567890");
    // A short number written to the first location leaves no old rest behind.
    EXPECT_EQ(Answer(unit, "2102155501"), "55501");
    EXPECT_EQ(Answer(unit, "22033"), "");
    // Every pair of locations.
    const int firsts[] = {0, 21, 42, 255, 126, 147, 168, 189};
    for (int first : firsts) {
        char write1[32], write2[32], read[8];
        std::snprintf(write1, sizeof write1, "21%03d%s", first, "111122223333");
        std::snprintf(write2, sizeof write2, "21%03d%s", first + 12, "44");
        std::snprintf(read, sizeof read, "22%03d", first);
        Answer(unit, write1);
        Answer(unit, write2);
        EXPECT_EQ(Answer(unit, read), "11112222333344") << first;
    }
    EXPECT_EQ(unit.State().settings.at("SequenceReceiver6"), "11112222333344");
    // More than twenty characters in all do not fit.
    EXPECT_EQ(Answer(unit, "21201123456789"), "44");
    EXPECT_EQ(unit.State().settings.at("SequenceReceiver6"), "11112222333344");
}

TEST(SimEmergencyUnit, LineFormsOfTheSmallSettings)
{
    CSimEmergencyUnit unit = LoggedIn();
    EXPECT_EQ(Answer(unit, "21251A"), "A");
    EXPECT_EQ(unit.State().settings.at("TestAlarmTime"), "10");
    EXPECT_EQ(Answer(unit, "212517"), "7");
    EXPECT_EQ(unit.State().settings.at("TestAlarmTime"), "7");
    EXPECT_EQ(Answer(unit, "2124804"), "04");
    EXPECT_EQ(unit.State().settings.at("AlarmButtonDelay"), "4");
    EXPECT_EQ(Answer(unit, "22248"), "04");
    EXPECT_EQ(Answer(unit, "212392"), "2");
    EXPECT_EQ(Answer(unit, "212300"), "0");
    EXPECT_EQ(Answer(unit, "21063"), ""); // an empty alarm code is a bare write code
    EXPECT_EQ(unit.State().settings.at("AlarmCode1"), "");
}

TEST(SimEmergencyUnit, RefusedWritesAnswerWhatIsHeld)
{
    CSimEmergencyUnit unit = LoggedIn();
    const SimUnit before = unit.State();
    EXPECT_EQ(Answer(unit, "212375"), "1");              // a flag is "1" or "0"
    EXPECT_EQ(Answer(unit, "212393"), "1");              // phone acknowledge is 0..2
    EXPECT_EQ(Answer(unit, "212485"), "05");             // the delay takes two digits
    EXPECT_EQ(Answer(unit, "2125112"), "3");             // the test alarm time one character
    EXPECT_EQ(Answer(unit, "21231123"), "");             // a code has four digits
    EXPECT_EQ(Answer(unit, "2106312345678901"), "1234"); // an alarm code at most ten
    EXPECT_EQ(Answer(unit, "21235123"), "01");           // the alarm type at most two
    EXPECT_EQ(unit.State().settings, before.settings);
}

TEST(SimEmergencyUnit, UnknownCodesAndLocationsGetNoAnswer)
{
    CSimEmergencyUnit unit = LoggedIn();
    EXPECT_EQ(Answer(unit, "22999"), "<none>");
    EXPECT_EQ(Answer(unit, "21999123"), "<none>");
    EXPECT_EQ(Answer(unit, "2200"), "<none>");
    EXPECT_EQ(Answer(unit, "220001"), "<none>");
    EXPECT_EQ(Answer(unit, "5"), "<none>");
    EXPECT_EQ(Answer(unit, "21227123"), "<none>"); // the status cannot be written
}

TEST(SimEmergencyUnit, StatusRecordOfBothMajors)
{
    SimUnit state;
    state.power = '0';
    state.statusChar = '4';
    state.statusDigit = '7';
    state.settings["DialToneDetection"] = "0";
    state.settings["AlarmButtonDelay"] = "12";
    state.settings["TestAlarmTime"] = "10";
    state.settings["AlarmType"] = "5";
    state.settings["IdBeep"] = "1";
    state.settings["PhoneAcknowledge"] = "2";
    state.settings["InfoAlarm"] = "1";
    state.settings["LedSequence"] = "0";
    {
        CSimEmergencyUnit unit = LoggedIn(state);
        EXPECT_EQ(Answer(unit, "22227"), "40003958120A7051210");
    }
    state.firmware = "107";
    CSimEmergencyUnit old = LoggedIn(state);
    EXPECT_EQ(Answer(old, "22227"), "40003958120A705121");
}

TEST(SimEmergencyUnit, FirmwareOneHasNoBatteryOrLedLocations)
{
    SimUnit state;
    state.firmware = "107";
    CSimEmergencyUnit unit = LoggedIn(state);
    for (const char* code : {"22255", "22267", "22276", "22242", "212551234", "21276", "212421"})
        EXPECT_EQ(Answer(unit, code), "<none>") << code;
    EXPECT_EQ(Answer(unit, "22063"), "1234");

    CSimEmergencyUnit newer = LoggedIn();
    EXPECT_EQ(Answer(newer, "22255"), "0401112233");
    EXPECT_EQ(Answer(newer, "212420"), "0");
    EXPECT_EQ(newer.State().settings.at("LedSequence"), "0");
}

// The store-wrong fault: the write is acknowledged with the value written, but a read shows
// another value the setting may hold; other parameters are stored as written.
TEST(SimEmergencyUnit, StoreWrongAcknowledgesTheValueButKeepsAnother)
{
    struct Case {
        const char* parameter;
        const char* write;
        const char* acknowledged;
        const char* read;
        const char* kept; // the slot the unit keeps
    };
    const Case cases[] = {
        {"AlarmCode1", "210634711", "4711", "22063", "4710"},
        {"AlarmButtonDelay", "2124830", "30", "", "29"},
        {"TestAlarmTime", "21251A", "A", "", "9"},
        {"DialToneDetection", "212300", "0", "", "1"}, // -1 is no flag: one more
        {"AlarmReceiver2", "210210201234567", "0201234567", "22021", "0201234561"},
    };
    for (const Case& c : cases) {
        CSimEmergencyUnit unit = LoggedIn();
        auto reply = unit.Handle(c.write, c.parameter);
        ASSERT_TRUE(reply.answer) << c.parameter;
        EXPECT_EQ(*reply.answer, c.acknowledged) << c.parameter;
        EXPECT_NE(reply.note.find("(fault)"), std::string::npos) << reply.note;
        EXPECT_EQ(unit.State().settings.at(c.parameter), c.kept) << c.parameter;
        if (*c.read != '\0') {
            EXPECT_EQ(Answer(unit, c.read), c.kept) << c.parameter;
        }
        // Another parameter is stored as written.
        EXPECT_EQ(*unit.Handle("210845555", c.parameter).answer, "5555");
        EXPECT_EQ(unit.State().settings.at("AlarmCode2"), "5555");
    }
}
