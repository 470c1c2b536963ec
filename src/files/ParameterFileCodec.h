// The encodings of a parameter file (.oxl): little-endian Dwords and Words, and Texts (a Word
// length, the bytes, a zero byte). Pure functions over a byte buffer and a position that each
// call advances. The Append functions do not check the buffer: the caller sizes it (the image is
// a fixed ParameterFileImageSize bytes). The reading side checks its bounds where it says so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The writer builds the whole file in an image of this size; the reader reads at most this many.
constexpr size_t ParameterFileImageSize = 10000;
// Fewer bytes than this is not a parameter file.
constexpr size_t ParameterFileMinimumSize = 42;
// "OXL!" read as a little-endian Dword.
constexpr uint32_t ParameterFileMagic = 0x214C584Fu;
// The version the writer puts; the reader takes 0 up to this one.
constexpr uint16_t ParameterFileVersion = 3;
// The longest text a Text field can carry (its length is a Word).
constexpr size_t MaxTextFieldLength = 0xFFFF;
// Bytes a Text takes beyond its text bytes: the length Word and the terminator.
constexpr size_t TextFieldOverhead = 3;

// The 4 bytes of value, least significant first; position += 4.
void AppendDword(uint8_t* buffer, size_t& position, uint32_t value);
// The low 16 bits of value, least significant byte first; position += 2.
void AppendWord(uint8_t* buffer, size_t& position, uint32_t value);
// The Word length, the bytes as they stand, a zero byte; position += length + 3. A text longer
// than MaxTextFieldLength is cut to it. The const char* form takes the text up to its terminator.
void AppendText(uint8_t* buffer, size_t& position, const std::string& text);
void AppendText(uint8_t* buffer, size_t& position, const char* text);

// The value stored at position, unchecked; position += 4 or 2.
uint32_t ReadDword(const uint8_t* data, size_t& position);
uint16_t ReadWord(const uint8_t* data, size_t& position);

// A Word that must lie wholly within the byteCount bytes of data. False (position unchanged) when
// it does not: the end-of-file condition.
bool ReadWordField(const uint8_t* data, size_t& position, size_t byteCount, uint16_t* value);

// The text of a Text field, position past its terminator. False (position and text unchanged),
// the end-of-file condition, when the length Word does not lie within byteCount, when the text
// and its terminator do not, or when the terminating byte is not zero. The text ends at its
// first zero byte, so a zero inside the field cuts it short. Bytes are kept as they stand.
bool ReadText(const uint8_t* data, size_t& position, size_t byteCount, std::string* text);
