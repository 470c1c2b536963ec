#include "files/ParameterFileCodec.h"

#include <cstring>

void AppendDword(uint8_t* buffer, size_t& position, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        buffer[position++] = static_cast<uint8_t>(value >> (8 * i));
}

void AppendWord(uint8_t* buffer, size_t& position, uint32_t value)
{
    buffer[position++] = static_cast<uint8_t>(value);
    buffer[position++] = static_cast<uint8_t>(value >> 8);
}

namespace {

void AppendTextBytes(uint8_t* buffer, size_t& position, const char* text, size_t length)
{
    if (length > MaxTextFieldLength)
        length = MaxTextFieldLength;
    AppendWord(buffer, position, static_cast<uint32_t>(length));
    if (length > 0)
        std::memcpy(buffer + position, text, length);
    position += length;
    buffer[position++] = 0;
}

} // namespace

void AppendText(uint8_t* buffer, size_t& position, const std::string& text)
{
    AppendTextBytes(buffer, position, text.data(), text.size());
}

void AppendText(uint8_t* buffer, size_t& position, const char* text)
{
    AppendTextBytes(buffer, position, text, text == nullptr ? 0 : std::strlen(text));
}

uint32_t ReadDword(const uint8_t* data, size_t& position)
{
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(data[position++]) << (8 * i);
    return value;
}

uint16_t ReadWord(const uint8_t* data, size_t& position)
{
    uint16_t value = static_cast<uint16_t>(data[position] | (data[position + 1] << 8));
    position += 2;
    return value;
}

bool ReadWordField(const uint8_t* data, size_t& position, size_t byteCount, uint16_t* value)
{
    if (position > byteCount || byteCount - position < 2)
        return false;
    *value = ReadWord(data, position);
    return true;
}

bool ReadText(const uint8_t* data, size_t& position, size_t byteCount, std::string* text)
{
    // Written as differences so that no sum can wrap around.
    size_t p = position;
    if (p > byteCount || byteCount - p < 2)
        return false;
    size_t n = ReadWord(data, p);
    if (byteCount - p < n + 1)
        return false;
    if (data[p + n] != 0)
        return false;
    const char* start = reinterpret_cast<const char*>(data + p);
    text->assign(start, strnlen(start, n));
    position = p + n + 1;
    return true;
}
