#include "files/ParameterFile.h"

#include <climits>
#include <cstring>

#include "files/ParameterFileCodec.h"
#include "model/ParameterTable.h"
#include "model/StringTable.h"

namespace {

// A slot's text up to its terminator, never past the slot's width.
std::string SlotText(const ProgrammingJob& job, int slot)
{
    const char* text = job.Slot(slot);
    return std::string(text, strnlen(text, static_cast<size_t>(SlotWidths[slot]) - 1));
}

template <size_t N> std::string FieldText(const char (&field)[N])
{
    return std::string(field, strnlen(field, N - 1));
}

std::string UpToZero(const std::string& text)
{
    return text.substr(0, text.find('\0'));
}

} // namespace

int LoadOutcomeMessageId(LoadOutcome outcome)
{
    switch (outcome) {
    case LoadOutcome::Loaded:
        return 0;
    case LoadOutcome::NotPravelFile:
        return IDS_NOT_PRAVEL_FILE;
    case LoadOutcome::UnknownVersion:
        return IDS_UNKNOWN_FILE_VERSION;
    case LoadOutcome::Corrupt:
        break;
    }
    return IDS_FILE_CORRUPT;
}

bool IsFlagSet(const std::string& text)
{
    return !text.empty() && text[0] != '0';
}

int ComboIndexFromText(const std::string& text)
{
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            return -1; // no list has such an index
    }
    if (negative)
        value = -value;
    if (value < INT_MIN || value > INT_MAX)
        return -1;
    return static_cast<int>(value);
}

std::vector<uint8_t> BuildParameterImage(const ProgrammingJob& job, const std::string& powerText,
                                         const std::string& firmwareText)
{
    std::vector<uint8_t> image(ParameterFileImageSize);
    uint8_t* buffer = image.data();
    size_t position = 0;

    AppendDword(buffer, position, ParameterFileMagic);
    AppendWord(buffer, position, ParameterFileVersion);
    AppendWord(buffer, position, 0);
    AppendWord(buffer, position, job.selectionMask & 0xFFFFu);
    AppendText(buffer, position, FieldText(job.phoneNumber));
    AppendText(buffer, position, FieldText(job.programmingCode));
    for (int slot : FirstFieldSlots)
        AppendText(buffer, position, SlotText(job, slot));
    AppendWord(buffer, position, job.selectionMask >> 16);
    for (int slot : SecondFieldSlots)
        AppendText(buffer, position, SlotText(job, slot));
    AppendWord(buffer, position, static_cast<uint32_t>(job.unit - 1));

    // At most 329 bytes so far. The status texts share the rest of the image.
    std::string power = UpToZero(powerText);
    std::string firmware = UpToZero(firmwareText);
    size_t room = ParameterFileImageSize - position - 2 * TextFieldOverhead;
    if (power.size() > room)
        power.resize(room);
    room -= power.size();
    if (firmware.size() > room)
        firmware.resize(room);
    AppendText(buffer, position, power);
    AppendText(buffer, position, firmware);

    image.resize(position);
    return image;
}
