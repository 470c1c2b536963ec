#include "files/ParameterFileCodec.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> V(std::initializer_list<int> bytes)
{
    std::vector<uint8_t> v;
    for (int b : bytes)
        v.push_back(static_cast<uint8_t>(b));
    return v;
}

} // namespace

TEST(ParameterFileCodec, IntegersAreLittleEndianAndAdvanceThePosition)
{
    std::vector<uint8_t> buffer(16, 0xEE);
    size_t p = 1;
    AppendDword(buffer.data(), p, 0x12345678u);
    EXPECT_EQ(p, 5u);
    AppendWord(buffer.data(), p, 0xABCDEF01u); // only the low half
    EXPECT_EQ(p, 7u);
    buffer.resize(7);
    EXPECT_EQ(buffer, V({0xEE, 0x78, 0x56, 0x34, 0x12, 0x01, 0xEF}));

    p = 1;
    EXPECT_EQ(ReadDword(buffer.data(), p), 0x12345678u);
    EXPECT_EQ(ReadWord(buffer.data(), p), 0xEF01u);
    EXPECT_EQ(p, 7u);

    std::vector<uint8_t> magic(4);
    p = 0;
    AppendDword(magic.data(), p, ParameterFileMagic);
    EXPECT_EQ(std::string(magic.begin(), magic.end()), "OXL!");
}

TEST(ParameterFileCodec, TextIsLengthBytesAndZero)
{
    std::vector<uint8_t> buffer(32);
    size_t p = 0;
    AppendText(buffer.data(), p, "ab");
    AppendText(buffer.data(), p, std::string("\xE9\0z", 3)); // bytes as they stand, a zero included
    AppendText(buffer.data(), p, static_cast<const char*>(nullptr));
    AppendText(buffer.data(), p, std::string());
    buffer.resize(p);
    EXPECT_EQ(buffer, V({2, 0, 'a', 'b', 0, 3, 0, 0xE9, 0, 'z', 0, 0, 0, 0, 0, 0, 0}));
}

TEST(ParameterFileCodec, TextLongerThanAWordCanSayIsCut)
{
    std::vector<uint8_t> buffer(70000);
    size_t p = 0;
    AppendText(buffer.data(), p, std::string(70000 - 3 - 10, 'q'));
    EXPECT_EQ(p, MaxTextFieldLength + 3);
    size_t q = 0;
    std::string text;
    ASSERT_TRUE(ReadText(buffer.data(), q, p, &text));
    EXPECT_EQ(text.size(), MaxTextFieldLength);
}

TEST(ParameterFileCodec, ReadTextTakesAFieldThatEndsExactlyAtTheByteCount)
{
    std::vector<uint8_t> data = V({0xFF, 2, 0, 'a', 'b', 0});
    size_t p = 1;
    std::string text = "old";
    ASSERT_TRUE(ReadText(data.data(), p, data.size(), &text));
    EXPECT_EQ(text, "ab");
    EXPECT_EQ(p, 6u);
    // An empty Text is three bytes.
    data = V({0, 0, 0});
    p = 0;
    ASSERT_TRUE(ReadText(data.data(), p, 3, &text));
    EXPECT_EQ(text, "");
    EXPECT_EQ(p, 3u);
}

TEST(ParameterFileCodec, ReadTextEndOfFileConditions)
{
    std::vector<uint8_t> data = V({2, 0, 'a', 'b', 0, 0, 0});
    std::string text = "old";
    auto fails = [&](size_t position, size_t byteCount) {
        size_t p = position;
        bool ok = ReadText(data.data(), p, byteCount, &text);
        return !ok && p == position && text == "old";
    };
    EXPECT_TRUE(fails(0, 0));  // no room for the length
    EXPECT_TRUE(fails(0, 1));  // half a length
    EXPECT_TRUE(fails(0, 2));  // length, no text
    EXPECT_TRUE(fails(0, 4));  // text without its terminator
    EXPECT_TRUE(fails(6, 6));  // position at the end
    EXPECT_TRUE(fails(9, 7));  // position beyond the end
    data[4] = 'c';             // terminator not zero, plenty of bytes after
    EXPECT_TRUE(fails(0, 7));
    data = V({0xFF, 0xFF, 0});  // a length far beyond the bytes
    EXPECT_TRUE(fails(0, 3));
}

TEST(ParameterFileCodec, ZeroInsideATextCutsIt)
{
    std::vector<uint8_t> data = V({5, 0, '1', '2', 0, '3', '4', 0, 9});
    size_t p = 0;
    std::string text;
    ASSERT_TRUE(ReadText(data.data(), p, data.size(), &text));
    EXPECT_EQ(text, "12");
    EXPECT_EQ(p, 8u); // past the whole field all the same
}

TEST(ParameterFileCodec, ReadTextKeepsEightBitBytes)
{
    std::vector<uint8_t> data = V({3, 0, 0x80, 0xE9, 0xFF, 0});
    size_t p = 0;
    std::string text;
    ASSERT_TRUE(ReadText(data.data(), p, data.size(), &text));
    EXPECT_EQ(text, "\x80\xE9\xFF");
}

TEST(ParameterFileCodec, WordFieldMustLieWithinTheBytes)
{
    std::vector<uint8_t> data = V({0x34, 0x12, 0x56});
    uint16_t value = 7;
    size_t p = 1;
    EXPECT_FALSE(ReadWordField(data.data(), p, 2, &value));
    EXPECT_FALSE(ReadWordField(data.data(), p, 1, &value));
    p = 5;
    EXPECT_FALSE(ReadWordField(data.data(), p, 3, &value));
    EXPECT_EQ(value, 7);
    p = 1;
    ASSERT_TRUE(ReadWordField(data.data(), p, 3, &value));
    EXPECT_EQ(value, 0x5612);
    EXPECT_EQ(p, 3u);
}
