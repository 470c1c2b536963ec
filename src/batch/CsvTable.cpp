#include "batch/CsvTable.h"

namespace {

// The length of the UTF-8 sequence at text[i], or 0 when it is not one.
size_t Utf8SequenceLength(std::string_view text, size_t i)
{
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    size_t length = 0;
    unsigned minimum = 0;
    unsigned code = 0;
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        minimum = 0x80;
        code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        minimum = 0x800;
        code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        minimum = 0x10000;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and code points beyond Unicode are not UTF-8.
    if (code < minimum || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
        return 0;
    return length;
}

bool Fail(std::string* error, int line, const std::string& text)
{
    *error = "line " + std::to_string(line) + ": " + text;
    return false;
}

} // namespace

bool ParseCsv(std::string_view text, std::vector<CsvRecord>* records, std::string* error, char separator)
{
    records->clear();
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    for (size_t i = 0; i < text.size();) {
        size_t length = Utf8SequenceLength(text, i);
        if (length == 0) {
            int line = 1;
            for (size_t k = 0; k < i; ++k)
                line += text[k] == '\n' ? 1 : 0;
            return Fail(error, line, "the text is not UTF-8");
        }
        i += length;
    }

    int line = 1;
    size_t i = 0;
    const auto endOfLine = [&](size_t k) {
        return text[k] == '\n' || (text[k] == '\r' && k + 1 < text.size() && text[k + 1] == '\n');
    };
    const auto skipEndOfLine = [&](size_t k) { return text[k] == '\r' ? k + 2 : k + 1; };
    while (i < text.size()) {
        // A comment or a blank line.
        if (text[i] == '#' || endOfLine(i)) {
            while (i < text.size() && !endOfLine(i))
                ++i;
            if (i < text.size())
                i = skipEndOfLine(i);
            ++line;
            continue;
        }
        CsvRecord record;
        record.line = line;
        for (;;) {
            std::string field;
            if (i < text.size() && text[i] == '"') {
                const int opened = line;
                ++i;
                for (;;) {
                    if (i >= text.size())
                        return Fail(error, opened, "a quoted field is not closed");
                    if (text[i] == '"') {
                        if (i + 1 < text.size() && text[i + 1] == '"') {
                            field += '"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    if (text[i] == '\n')
                        ++line;
                    field += text[i++];
                }
                if (i < text.size() && text[i] != separator && !endOfLine(i))
                    return Fail(error, line, "text after the closing quote of a field");
            } else {
                while (i < text.size() && text[i] != separator && !endOfLine(i)) {
                    if (text[i] == '"')
                        return Fail(error, line, "a quote inside a field that does not begin with one");
                    if (text[i] == '\r')
                        return Fail(error, line, "a carriage return without a line feed");
                    field += text[i++];
                }
            }
            record.fields.push_back(std::move(field));
            if (i < text.size() && text[i] == separator) {
                ++i;
                continue;
            }
            break;
        }
        if (i < text.size()) {
            i = skipEndOfLine(i);
            ++line;
        }
        records->push_back(std::move(record));
    }
    return true;
}

char DetectCsvSeparator(std::string_view text)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    size_t i = 0;
    // Past blank lines and comments to the header.
    while (i < text.size() && (text[i] == '#' || text[i] == '\n' || text[i] == '\r')) {
        while (i < text.size() && text[i] != '\n')
            ++i;
        ++i;
    }
    size_t counts[3] = {0, 0, 0};
    const char separators[3] = {',', ';', '\t'};
    bool quoted = false;
    for (; i < text.size() && (quoted || text[i] != '\n'); ++i) {
        if (text[i] == '"')
            quoted = !quoted;
        for (int k = 0; k < 3 && !quoted; ++k)
            counts[k] += text[i] == separators[k] ? 1 : 0;
    }
    int best = 0;
    for (int k = 1; k < 3; ++k)
        if (counts[k] > counts[best])
            best = k;
    return separators[best];
}
