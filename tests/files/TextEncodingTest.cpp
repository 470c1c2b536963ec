#include "files/TextEncoding.h"

#include <gtest/gtest.h>

TEST(Windows1252ToUtf8, AsciiStaysAndHighBytesBecomeTheirCharacters)
{
    EXPECT_EQ(Windows1252ToUtf8(""), "");
    EXPECT_EQ(Windows1252ToUtf8("0815 +49"), "0815 +49");
    EXPECT_EQ(Windows1252ToUtf8("\x80"), "\xE2\x82\xAC");       // euro sign
    EXPECT_EQ(Windows1252ToUtf8("\x9F"), "\xC5\xB8");           // Y with diaeresis
    EXPECT_EQ(Windows1252ToUtf8("\xA0\xE9\xFF"), "\xC2\xA0\xC3\xA9\xC3\xBF");
    EXPECT_EQ(Windows1252ToUtf8("\x81\x9D"), "\xC2\x81\xC2\x9D"); // undefined: kept as controls
    EXPECT_EQ(Windows1252ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}
