// SPDX-License-Identifier: MIT
#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <vector>

// Reads the bytes of a regular file, at most `limit` of them. A FIFO, a
// device or a folder is refused without being waited on or read; so is a
// link at the name when `followLink` is false. A file longer than the limit
// is refused, or with `truncate` read up to it. False with what is wrong in
// *problem ("No such file or directory", "not a regular file", ...).
struct RegularFileRead {
    uint64_t limit = UINT64_MAX;
    bool truncate = false;
    bool followLink = true;
    // A relative path is taken from this open folder (AT_FDCWD: the current
    // one); with `beneath`, through no link and never out of it (see
    // beneath::Open).
    int folder = AT_FDCWD;
    bool beneath = false;
};

bool ReadRegularFile(const std::string& path, const RegularFileRead& how,
                     std::vector<uint8_t>* contents, std::string* problem);
// The same into text, so a file read to be parsed is not copied once more.
bool ReadRegularFile(const std::string& path, const RegularFileRead& how, std::string* contents,
                     std::string* problem);

// Every check ReadRegularFile makes, without reading: the file's status as
// it would be read.
bool StatRegularFile(const std::string& path, const RegularFileRead& how, struct stat* info,
                     std::string* problem);
