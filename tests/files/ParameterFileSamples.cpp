#include "ParameterFileSamples.h"

#include "files/ParameterFile.h"
#include "model/DialogIds.h"
#include "form/DialogItemModel.h"
#include "form/ParameterForm.h"
#include "unit/DtmfFraming.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

} // namespace

std::vector<uint8_t> ComposeImage(const ImageFields& f)
{
    std::vector<uint8_t> image(4 * ParameterFileImageSize);
    size_t p = 0;
    AppendDword(image.data(), p, f.magic);
    AppendWord(image.data(), p, f.version);
    AppendWord(image.data(), p, f.reserved);
    AppendWord(image.data(), p, f.mask & 0xFFFF);
    AppendText(image.data(), p, f.number);
    AppendText(image.data(), p, f.code);
    for (const std::string& value : f.values)
        AppendText(image.data(), p, value);
    if (f.version >= 2) {
        AppendWord(image.data(), p, f.mask >> 16);
        AppendText(image.data(), p, f.alarmType);
        AppendText(image.data(), p, f.idBeep);
        AppendText(image.data(), p, f.infoAlarm);
    }
    if (f.version >= 3) {
        AppendWord(image.data(), p, f.unit);
        AppendText(image.data(), p, f.power);
        AppendText(image.data(), p, f.firmware);
    }
    image.resize(p);
    return image;
}

size_t FieldOffset(const ImageFields& f, int number)
{
    size_t offset = 10;
    if (number > 1)
        offset += f.number.size() + 3;
    if (number > 2)
        offset += f.code.size() + 3;
    for (int i = 3; i < number; ++i)
        offset += f.values[static_cast<size_t>(i - 3)].size() + 3;
    return offset;
}

std::vector<Sample> ParameterFileSamples()
{
    std::vector<Sample> samples;
    ImageFields full;
    full.mask = 0x80 | 0x1 | 0x200000 | 0x40000 | 0x4000;
    samples.push_back({"v3_full.oxl", ComposeImage(full)});

    // What Save writes for a dialog at its start values with number and unit chosen.
    CDialogItemModel items;
    SetInitialValues(items);
    items.SetItemText(IDC_PHONE_NUMBER, "5550100");
    ProgrammingJob job{};
    FillJob(items, job, JobRead, nullptr);
    CopyValuesToJob(items, job);
    samples.push_back({"v3_saved_defaults.oxl", BuildParameterImage(job, "", "")});

    for (uint16_t version : {0, 1, 2}) {
        ImageFields older = full;
        older.version = version;
        samples.push_back({"v" + std::to_string(version) + ".oxl", ComposeImage(older)});
    }
    ImageFields newer = full;
    newer.version = 4;
    samples.push_back({"v4.oxl", ComposeImage(newer)});
    ImageFields magic = full;
    magic.magic = 0x21584F4Cu; // "LOX!"
    samples.push_back({"other_magic.oxl", ComposeImage(magic)});
    std::vector<uint8_t> short41 = ComposeImage(full);
    short41.resize(41);
    samples.push_back({"41_bytes.oxl", short41});

    std::vector<uint8_t> cut = ComposeImage(full);
    cut.resize(FieldOffset(full, 12) + 3);
    samples.push_back({"cut_in_field12.oxl", cut});

    std::vector<uint8_t> unterminated = ComposeImage(full);
    unterminated[FieldOffset(full, 5) + 2 + full.values[2].size()] = 'x';
    samples.push_back({"text_without_zero.oxl", unterminated});

    ImageFields zero = full;
    zero.number = std::string("12\0" "34", 5);
    samples.push_back({"zero_inside_text.oxl", ComposeImage(zero)});

    ImageFields combos = full;
    combos.values[15] = "-1"; // phone acknowledge
    combos.values[16] = "11"; // test alarm time, one past the list
    samples.push_back({"combo_out_of_range.oxl", ComposeImage(combos)});

    const char* flags[] = {"", "0", "1", "2", "x"};
    for (const char* flag : flags) {
        ImageFields f = full;
        f.values[12] = f.values[13] = f.idBeep = f.infoAlarm = flag;
        samples.push_back({std::string("flags_") + (*flag ? flag : "empty") + ".oxl", ComposeImage(f)});
    }

    ImageFields unit = full;
    unit.unit = 6;
    samples.push_back({"unit_above_5.oxl", ComposeImage(unit)});

    std::vector<uint8_t> trailing = ComposeImage(full);
    trailing.insert(trailing.end(), 64, 0xAB);
    samples.push_back({"trailing_bytes.oxl", trailing});

    ImageFields big = full;
    big.power = std::string(9600, 'P');
    big.firmware = "\x80\xE9\xFF";
    samples.push_back({"long_status_8bit.oxl", ComposeImage(big)});
    return samples;
}

std::vector<Sample> DtmfFrameSamples()
{
    std::vector<Sample> samples;
    for (const char* code : {"22000", "99", "2039580", "1111", "21251A", "2123512", "0", ""}) {
        std::string frame;
        for (char c : BuildDtmfCommand(code).substr(7))
            if (c != ',' && c != '\r' && c != '\n')
                frame += c;
        samples.push_back({std::string("built_") + (*code ? code : "empty"), Bytes(frame)});
    }
    const std::pair<const char*, const char*> malformed[] = {
        {"bad_check", "C2B0B08D"},    {"repeat_check", "C2B0B0BD"}, {"no_end", "C2B0B09"},
        {"two_frames", "C2B0B09DC11D"}, {"hash", "C#8D"},         {"star", "C*5D"},
        {"short", "CD"},               {"only_end", "D"},          {"repeat_first", "CB3D"},
        {"check_only", "C0D"},
    };
    for (const auto& [name, frame] : malformed)
        samples.push_back({name, Bytes(frame)});
    return samples;
}
