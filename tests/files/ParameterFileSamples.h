// Parameter files written field by field, independently of the module's writer, for the tests and
// for the fuzzing corpus; and the named samples the corpus holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "files/ParameterFileCodec.h"

// Every field of a file. The writer of these puts the fields the version has, in file order.
struct ImageFields {
    uint32_t magic = ParameterFileMagic;
    uint16_t version = 3;
    uint16_t reserved = 0;
    uint32_t mask = 0;
    std::string number = "0123456789";
    std::string code = "3958";
    // Fields 3 to 20 in file order: the four receivers, the four codes, sequence receivers 3-6,
    // LED sequence, dial tone, new code, phone acknowledge, test alarm time, alarm button delay.
    std::vector<std::string> values = {"111", "222", "333", "444", "11", "22", "33", "44", "555", "666",
                                       "777", "888", "1",   "0",   "1234", "1", "7",  "12"};
    std::string alarmType = "42";
    std::string idBeep = "1";
    std::string infoAlarm = "1";
    uint16_t unit = 3;
    std::string power = "External power";
    std::string firmware = "2.13";
};

std::vector<uint8_t> ComposeImage(const ImageFields& fields);

// Offset of the length Word of Text field number (1-based, fields 1 to 20) in a composed image.
size_t FieldOffset(const ImageFields& fields, int number);

struct Sample {
    std::string name;
    std::vector<uint8_t> bytes;
};

// Parameter files: every version, the rejected ones, the cut and malformed ones the tests use.
std::vector<Sample> ParameterFileSamples();
// DTMF answers: valid frames from our encoder, and the malformed ones the framing tests use.
std::vector<Sample> DtmfFrameSamples();
