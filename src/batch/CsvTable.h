// A small strict reader of comma-separated text: UTF-8 (a leading byte-order mark is skipped),
// records ending in LF or CRLF, fields in double quotes where they hold a comma, a quote ("" inside)
// or a line break. A line that begins with '#' outside a quoted field is a comment; blank lines
// are skipped. Anything else that is not well formed is refused with the line where it is, rather
// than guessed at: a quote inside an unquoted field, text after a closing quote, a quoted field
// left open, bytes that are not UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct CsvRecord {
    int line = 0; // where the record begins, counting from 1
    std::vector<std::string> fields;
};

// False with "line N: what is wrong" in *error; *records then holds the records before it.
// separator: ',' unless told (';' as European spreadsheets write, or a tab).
bool ParseCsv(std::string_view text, std::vector<CsvRecord>* records, std::string* error, char separator = ',');
// The separator of a table by its header, the first line that is neither blank nor a comment: the
// one of ',', ';' and tab it holds most of outside quotes (',' when it holds none).
char DetectCsvSeparator(std::string_view text);
