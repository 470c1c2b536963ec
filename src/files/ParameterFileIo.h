// Parameter files on disk: one write of a built image, one read of at most
// ParameterFileImageSize bytes. Failures come back as false with the message the user sees,
// "Failed to create file (<file error text naming the path>)", on both paths.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "files/FileErrorText.h"
#include "files/ParameterFile.h"

// "Failed to create file (%1)" with %1 replaced by a file error text.
std::string FailedToCreateFileMessage(const std::string& fileErrorText);

// Writes the image with one write to a new file beside path, puts it on the disk and puts it in
// place of path; on any failure the new file is removed and an older file at path is left as it
// was. Only a regular file on a disk is written: a directory, FIFO, device or socket at path is
// refused at once. A write that stores fewer bytes is "Disk full".
// POSIX: an older file's permission bits are kept, a new one gets 0666 less the umask; a file
// that another save or load holds (advisory lock) is refused; the new file is renamed over path.
// Windows: a file that any program has open is refused (the file is opened without sharing);
// ReplaceFileA keeps an older file's attributes, MoveFileExA (replace, write through) is the
// fallback and puts a new file in place.
bool WriteParameterFile(const std::string& path, const std::vector<uint8_t>& image, std::string* message);
// Opens the file for reading (others may read it too, not write it: a shared lock on POSIX,
// FILE_SHARE_READ on Windows) and reads at most
// ParameterFileImageSize bytes with one read; bytes holds what the read returned. Anything but a
// regular file is refused at once, without waiting on it.
bool ReadParameterFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* message);

// Checks, before a job dials, that a parameter file could be saved at path: the folder exists
// and is writable, and the path is not a directory or another non-regular file. False with
// the same message a failed save would give (FailedToCreateFileMessage + the file error text).
bool CheckParameterFileSavePath(const std::string& path, std::string* message);

// Save and Load in one call each, for the front ends.
// BuildParameterImage and WriteParameterFile.
bool SaveParameterFile(const std::string& path, const ProgrammingJob& job, const std::string& powerText,
                       const std::string& firmwareText, std::string* message);

