// SPDX-License-Identifier: MIT
// Writes PciId.txt and pcidevcl.txt from a pci.ids file.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "PciDataFiles.h"
#include "PciIdsDatabase.h"

namespace {

// Written beside the target and renamed, so a full disk never leaves a
// half-written data file behind.
bool WriteFile(const std::string& path, const std::string& text) {
    std::string temporary = path + ".part";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "%s: cannot be created: %s\n", temporary.c_str(),
                     std::strerror(errno));
        return false;
    }
    bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    int savedErrno = errno;
    if (std::fclose(file) != 0 && written) {
        written = false;
        savedErrno = errno;
    }
    if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        if (written) savedErrno = errno;
        std::fprintf(stderr, "%s: cannot be written: %s\n", path.c_str(),
                     std::strerror(savedErrno));
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s PCI.IDS PCIID.TXT PCIDEVCL.TXT\n", argv[0]);
        return 2;
    }
    PciIdsDatabase database;
    std::string error;
    if (!ParsePciIds(argv[1], &database, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    if (database.vendors.empty() || database.classes.empty()) {
        std::fprintf(stderr, "%s: no vendors or no classes\n", argv[1]);
        return 1;
    }
    bool written = WriteFile(argv[2], PciIdFileText(database)) &&
                   WriteFile(argv[3], PciClassFileText(database));
    return written ? 0 : 1;
}
