// The bodies of the fuzz targets as plain functions: the libFuzzer entry points call them, and
// the test suite replays the committed corpus through them without clang. Each returns true when
// every property it checks held; the entry points abort otherwise, so libFuzzer records a crash.
#pragma once

#include <cstddef>
#include <cstdint>

// Loads the bytes as a parameter file into an in-memory dialog. What loads must save to an image
// that loads again and saves to the same bytes; a too short file is never taken.
bool FuzzParameterFile(const uint8_t* data, size_t size);

// Checks the bytes as a collected DTMF answer. The result depends only on the bytes up to the
// first 'D'; a valid answer of digits, framed again by our encoder, checks valid with the same answer.
bool FuzzDtmfFrame(const uint8_t* data, size_t size);
