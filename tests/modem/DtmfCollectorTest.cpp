// The DLE codes a voice modem reports, one byte at a time: which of them count as tones. (The
// driver tests feed the same reports whole, byte by byte and in random cuts.)
#include "modem/DtmfCollector.h"

#include <gtest/gtest.h>

namespace {

// The counted tones, the text bytes, 'b' per busy tone, '.' per ignored code, '|' per line end.
std::string Collect(const std::string& bytes)
{
    CDtmfCollector collector;
    std::string seen;
    for (char byte : bytes) {
        const CDtmfCollector::Item item = collector.Take(byte);
        using K = CDtmfCollector::Kind;
        switch (item.kind) {
        case K::Text:
        case K::Tone:
            seen += item.code;
            break;
        case K::Pending:
            break;
        case K::Busy:
            seen += '!';
            break;
        case K::LineEnd:
            seen += '|';
            break;
        default:
            seen += '.';
        }
    }
    return seen;
}

// DLE + each character.
std::string Pairs(const std::string& codes)
{
    std::string out;
    for (char c : codes)
        out += std::string(1, CDtmfCollector::Dle) + c;
    return out;
}

TEST(DtmfCollectorTest, CountsEachToneOnceWhateverTheModemSendsAroundIt)
{
    const std::string del(1, 0x7F);
    const std::pair<std::string, std::string> cases[] = {
        {Pairs("C11D"), "C11D"}, // a '#' modem: every report counts, repeats too
        {Pairs("/CCC~/111~/222~/DD~"), ".C....1....2....D.."}, // V.253 bursts
        {Pairs("/11~/11~"), ".1...1.."},                                          // one tone twice
        {Pairs("CC" + del + "55" + del + "5" + del), "CC.5..5."},                 // 0x7F, no start mark
        {Pairs("/4-44-9-"), ".4.4..9."},                                          // '-', no start mark
        {Pairs("/7s7\x10q7~d/8c8u~T/9~\x1aRlhHPpoae f"), ".7........8......9............."},
        {Pairs("/121~"), ".121."},                      // a lost end mark: the other tone counts
        {"\x10\x10" "5" + Pairs("5"), ".55"},           // DLE DLE is a data byte, what follows text
        {Pairs("/3b3~b"), ".3!..!"},                    // busy keeps its meaning, in a burst too
        {Pairs(std::string("EFZx!\0", 6)), "......"},    // letters that are no DTMF tone, NUL
        {"OK" + Pairs("7") + "\r\x10\n", "OK7\r|"},      // text around the codes; DLE CR LF
    };
    for (const auto& [bytes, expected] : cases)
        EXPECT_EQ(Collect(bytes), expected) << "bytes " << ::testing::PrintToString(bytes);
}

} // namespace

namespace {

// Reports without marks, each tone at its time in ms: a tone again within the repeat window is
// the same tone; further apart, or another tone between, it counts again.
TEST(DtmfCollectorTest, WithoutMarksTheTimeBetweenReportsTellsARepeatFromANewTone)
{
    const std::vector<std::pair<char, long long>> reports = {
        {'C', 0},   {'C', 70},  {'C', 140}, {'2', 200}, {'2', 270}, {'B', 300},
        {'2', 400}, {'D', 500}, {'D', 570}, {'D', 1100}, {'7', 1200}};
    CDtmfCollector collector;
    std::string counted;
    for (const auto& [tone, ms] : reports) {
        EXPECT_EQ(collector.Take(CDtmfCollector::Dle, ms).kind, CDtmfCollector::Kind::Pending);
        const CDtmfCollector::Item item = collector.Take(tone, ms);
        if (item.kind == CDtmfCollector::Kind::Tone)
            counted += item.code;
        else
            EXPECT_EQ(item.kind, CDtmfCollector::Kind::Repeat) << tone << " at " << ms;
    }
    EXPECT_EQ(counted, "C2B2DD7");
}

TEST(DtmfCollectorTest, DialToneAndALostLoopCurrentAreAHangUpAndKIsABusyTone)
{
    const std::pair<char, CDtmfCollector::Kind> cases[] = {{'d', CDtmfCollector::Kind::HangUp},
                                                           {'l', CDtmfCollector::Kind::HangUp},
                                                           {'K', CDtmfCollector::Kind::Busy},
                                                           {'b', CDtmfCollector::Kind::Busy},
                                                           {'s', CDtmfCollector::Kind::Event}};
    for (const auto& [code, kind] : cases) {
        CDtmfCollector collector;
        collector.Take(CDtmfCollector::Dle);
        EXPECT_EQ(collector.Take(code).kind, kind) << code;
    }
}

} // namespace
