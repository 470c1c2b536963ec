#include "files/TextEncoding.h"

#include <gtest/gtest.h>

TEST(Windows1252ToUtf8, AsciiStaysAndHighBytesBecomeTheirCharacters)
{
    EXPECT_EQ(Windows1252ToUtf8(""), "");
    EXPECT_EQ(Windows1252ToUtf8("0815 +49"), "0815 +49");
    EXPECT_EQ(Windows1252ToUtf8("\x80"), "\xE2\x82\xAC"); // euro sign
    EXPECT_EQ(Windows1252ToUtf8("\x9F"), "\xC5\xB8");     // Y with diaeresis
    EXPECT_EQ(Windows1252ToUtf8("\xA0\xE9\xFF"), "\xC2\xA0\xC3\xA9\xC3\xBF");
    EXPECT_EQ(Windows1252ToUtf8("\x81\x9D"), "\xC2\x81\xC2\x9D"); // undefined: kept as controls
    EXPECT_EQ(Windows1252ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Utf8ToWindows1252, EveryByteComesBackAndOtherCharactersBecomeQuestionMarks)
{
    for (int byte = 0; byte < 256; ++byte) {
        const std::string text(1, static_cast<char>(byte));
        EXPECT_EQ(Utf8ToWindows1252(Windows1252ToUtf8(text)), text) << byte;
    }
    struct Case {
        const char* utf8;
        const char* bytes;
    };
    const Case cases[] = {
        {"0815 +49", "0815 +49"},
        {"\xE2\x82\xAC 5", "\x80 5"}, // euro sign
        {"\xE2\x80\x9C"
         "a"
         "\xE2\x80\x9D",
         "\x93"
         "a"
         "\x94"},                  // curly quotes
        {"\xD0\x96", "?"},         // Cyrillic Zhe: not in Windows-1252
        {"\xF0\x9F\x93\x9E", "?"}, // a telephone emoji: one character, one '?'
        {"a\xC3", "a?"},           // cut off after its lead byte
        {"\xC3"
         "b",
         "?b"}, // a lead byte without its continuation
        {"\x80"
         "1",
         "?1"},                  // a lone continuation byte
        {"\xC0\xAF", "??"},      // overlong '/'
        {"\xE0\x80\xAF", "???"}, // overlong '/', three bytes
    };
    for (const Case& c : cases)
        EXPECT_EQ(Utf8ToWindows1252(c.utf8), c.bytes) << c.utf8;
}
