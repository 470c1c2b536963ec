#include "batch/CsvTable.h"

#include <gtest/gtest.h>

namespace {

struct CsvCase {
    const char* name;
    std::string text;
    std::vector<std::vector<std::string>> records; // expected when error is empty
    std::vector<int> lines;
    std::string error; // expected beginning of the error
};

class CsvTableTest : public ::testing::TestWithParam<CsvCase> {};

TEST_P(CsvTableTest, ReadsOrRefuses)
{
    const CsvCase& c = GetParam();
    std::vector<CsvRecord> records;
    std::string error;
    const bool parsed = ParseCsv(c.text, &records, &error);
    if (!c.error.empty()) {
        EXPECT_FALSE(parsed);
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
        return;
    }
    ASSERT_TRUE(parsed) << error;
    ASSERT_EQ(records.size(), c.records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].fields, c.records[i]) << "record " << i;
        EXPECT_EQ(records[i].line, c.lines[i]) << "record " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CsvTableTest,
    ::testing::Values(
        CsvCase{"plain", "a,b\n1,2\n", {{"a", "b"}, {"1", "2"}}, {1, 2}, ""},
        CsvCase{"crlf_no_last_newline", "a,b\r\n1,2", {{"a", "b"}, {"1", "2"}}, {1, 2}, ""},
        CsvCase{"comments_and_blank_lines", "# plan\na\n\n# x,\"y\n2\n", {{"a"}, {"2"}}, {2, 5}, ""},
        CsvCase{"empty_fields", "a,,b,\n", {{"a", "", "b", ""}}, {1}, ""},
        CsvCase{"quoted_comma_quote_newline", "\"x,y\",\"say \"\"hi\"\"\",\"two\nlines\"\nnext\n",
                {{"x,y", "say \"hi\"", "two\nlines"}, {"next"}}, {1, 3}, ""},
        CsvCase{"hash_inside_record_is_text", "a,#b\n", {{"a", "#b"}}, {1}, ""},
        CsvCase{"bom_and_utf8", "\xEF\xBB\xBFname\nK\xC3\xB6ln\n", {{"name"}, {"K\xC3\xB6ln"}}, {1, 2}, ""},
        CsvCase{"quote_inside_field", "a\nb\"c\n", {}, {}, "line 2: a quote inside"},
        CsvCase{"text_after_quote", "\"a\"b\n", {}, {}, "line 1: text after"},
        CsvCase{"open_quote", "a\n\"b,\nc\n", {}, {}, "line 2: a quoted field is not closed"},
        CsvCase{"not_utf8", "a\n\xFF\n", {}, {}, "line 2: the text is not UTF-8"},
        CsvCase{"overlong_utf8", "\xC0\xAF\n", {}, {}, "line 1: the text is not UTF-8"},
        CsvCase{"lone_carriage_return", "a\rb\n", {}, {}, "line 1: a carriage return"}),
    [](const ::testing::TestParamInfo<CsvCase>& info) { return std::string(info.param.name); });

TEST(CsvTableTest, TheSeparatorIsTheOneTheHeaderHoldsMostOf)
{
    EXPECT_EQ(DetectCsvSeparator("a,b,c\n"), ',');
    EXPECT_EQ(DetectCsvSeparator("a;b;c\n1,5;2;3\n"), ';');
    EXPECT_EQ(DetectCsvSeparator("# a,b,c\n\na\tb\n"), '\t');
    EXPECT_EQ(DetectCsvSeparator("\"a;b\",c\n"), ',');   // inside quotes it is text
    EXPECT_EQ(DetectCsvSeparator("single\n"), ',');
    std::vector<CsvRecord> records;
    std::string error;
    ASSERT_TRUE(ParseCsv("a;\"b;c\"\n1,5;2\n", &records, &error, ';')) << error;
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].fields, (std::vector<std::string>{"a", "b;c"}));
    EXPECT_EQ(records[1].fields, (std::vector<std::string>{"1,5", "2"}));
}

} // namespace
