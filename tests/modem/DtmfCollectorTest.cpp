// The DLE codes a voice modem reports, one byte at a time: which of them count as tones.
#include "modem/DtmfCollector.h"

#include <gtest/gtest.h>

namespace {

struct Seen {
    std::string tones;   // counted, in order
    std::string text;    // bytes of the text lines
    int busy = 0;
    int ignored = 0;     // repeats, marks, events and data bytes
    int lineEnds = 0;
};

Seen Collect(const std::string& bytes)
{
    CDtmfCollector collector;
    Seen seen;
    for (char byte : bytes) {
        const CDtmfCollector::Item item = collector.Take(byte);
        switch (item.kind) {
        case CDtmfCollector::Kind::Text:
            seen.text += item.code;
            break;
        case CDtmfCollector::Kind::Pending:
            break;
        case CDtmfCollector::Kind::Tone:
            seen.tones += item.code;
            break;
        case CDtmfCollector::Kind::Busy:
            ++seen.busy;
            break;
        case CDtmfCollector::Kind::LineEnd:
            ++seen.lineEnds;
            break;
        case CDtmfCollector::Kind::Repeat:
        case CDtmfCollector::Kind::Mark:
        case CDtmfCollector::Kind::Event:
        case CDtmfCollector::Kind::DataByte:
            ++seen.ignored;
            break;
        }
    }
    return seen;
}

// DLE + each character.
std::string Pairs(const std::string& codes)
{
    std::string out;
    for (char c : codes) {
        out += CDtmfCollector::Dle;
        out += c;
    }
    return out;
}

TEST(DtmfCollectorTest, CountsEachToneOnceWhateverTheModemSendsAroundIt)
{
    const std::string del(1, 0x7F);
    struct Case {
        const char* name;
        std::string bytes;
        std::string tones;
        int busy;
        int ignored;
        std::string text;
    } cases[] = {
        {"'#' modem: every report counts, repeats too", Pairs("C11D"), "C11D", 0, 0, ""},
        {"V.253 bursts", Pairs("/CCC~/111~/222~/DD~"), "C12D", 0, 15, ""},
        {"bursts of one tone twice", Pairs("/11~/11~"), "11", 0, 6, ""},
        {"end 0x7F, no start mark", Pairs("CC") + Pairs(del) + Pairs("55") + Pairs(del) + Pairs("5" + del), "CC55", 0, 4,
         ""},
        {"end '-', no start mark", Pairs("/4-44-9-"), "449", 0, 5, ""},
        {"events and DLE DLE between and inside bursts",
         Pairs("/7s7\x10q7~d/8c8u~T/9~") + Pairs("\x1a" "RlhHPpoae f"), "789", 0, 28, ""},
        {"a lost end mark: another tone still counts", Pairs("/121~"), "121", 0, 2, ""},
        {"DLE DLE is a data byte, the byte after it text", std::string("\x10\x10") + "5" + Pairs("5"), "5", 0, 1, "5"},
        {"busy keeps its meaning, inside a burst too", Pairs("/3b3~b"), "3", 2, 3, ""},
        {"letters that are no DTMF tone", Pairs("EFZx!"), "", 0, 5, ""},
        {"text around the codes", "OK" + Pairs("7") + "\r\n", "7", 0, 0, "OK\r\n"},
    };
    for (const Case& c : cases) {
        Seen seen = Collect(c.bytes);
        EXPECT_EQ(seen.tones, c.tones) << c.name;
        EXPECT_EQ(seen.busy, c.busy) << c.name;
        EXPECT_EQ(seen.ignored, c.ignored) << c.name;
        EXPECT_EQ(seen.text, c.text) << c.name;
    }
}

TEST(DtmfCollectorTest, ALineEndAfterADleEndsTheLineAndResetForgetsTheBurst)
{
    EXPECT_EQ(Collect("AB\x10\rCD\x10\n").lineEnds, 2);
    CDtmfCollector collector;
    for (char b : Pairs("/6"))
        collector.Take(b);
    collector.Take(CDtmfCollector::Dle);
    collector.Reset();
    // The pending DLE is gone: '6' is text; the burst is gone, but the modem is known to shield.
    EXPECT_EQ(collector.Take('6').kind, CDtmfCollector::Kind::Text);
    EXPECT_TRUE(collector.Shielded());
    collector.Take(CDtmfCollector::Dle);
    EXPECT_EQ(collector.Take('6').kind, CDtmfCollector::Kind::Tone);
}

} // namespace
