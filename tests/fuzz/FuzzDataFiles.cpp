// SPDX-License-Identifier: MIT
// The three data files: vendor and device names, class names and register
// descriptions. The first byte chooses the file, the rest is its text; every
// name found is a piece of one line of it.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "pci/names/DescriptionFile.h"
#include "pci/names/DescriptionLineReader.h"
#include "pci/names/PciClassIndex.h"
#include "pci/names/PciIdIndex.h"
#include "pci/names/RegisterDescription.h"

namespace {

// Numbers to look up: a few fixed ones and some the input picks.
uint32_t Pick(std::string_view text, size_t i) {
    static constexpr uint32_t kFixed[] = {0, 0x8086, 0xFFFF, 0x010802, 0xFFFFFFFF};
    if (i < std::size(kFixed)) return kFixed[i];
    uint32_t value = 0;
    const size_t at = (i * 7) % (text.size() + 1);
    std::memcpy(&value, text.data() + at, std::min<size_t>(4, text.size() - at));
    return value;
}

void CheckName(std::string_view text, const std::string& name) {
    FUZZ_CHECK(name.find('\n') == std::string::npos);
    FUZZ_CHECK(name.empty() || text.find(name) != std::string_view::npos);
}

void NameFile(std::string_view text) {
    const PciIdIndex index{std::string(text)};
    for (size_t i = 0; i < 12; ++i) {
        CheckName(text, index.VendorName(Pick(text, i)));
        CheckName(text, index.DeviceName(Pick(text, i), Pick(text, i + 5)));
    }
}

void ClassFile(std::string_view text) {
    const PciClassIndex index{std::string(text)};
    for (size_t i = 0; i < 12; ++i) CheckName(text, index.ClassName(Pick(text, i) & 0xFFFFFF));
}

// The pieces cover the text from the top without a gap, each a line or 255
// bytes of one; skipping to a letter passes over exactly what Next would give.
void LinePieces(std::string_view text) {
    DescriptionLineReader lines(text);
    DescriptionLineReader letters(text);
    std::string_view piece;
    std::string_view lettered;
    size_t covered = 0;
    bool more =
        letters.NextStartingWithLetter("dv", &lettered) == DescriptionLineReader::Status::Line;
    while (lines.Next(&piece) == DescriptionLineReader::Status::Line) {
        FUZZ_CHECK(piece.data() == text.data() + covered);
        FUZZ_CHECK(!piece.empty() && piece.size() <= DescriptionLineReader::kPieceLimit);
        FUZZ_CHECK(piece.back() == '\n' || piece.size() == DescriptionLineReader::kPieceLimit);
        covered += piece.size();
        const char first = static_cast<char>(piece[0] | 0x20);
        if (first != 'd' && first != 'v') continue;
        FUZZ_CHECK(more && lettered.data() == piece.data() && lettered.size() == piece.size());
        more =
            letters.NextStartingWithLetter("dv", &lettered) == DescriptionLineReader::Status::Line;
    }
    FUZZ_CHECK(!more);
}

// Descriptions are read from a file: an anonymous one holds the text.
void DescriptionFileLookups(std::string_view text) {
    const int fd = memfd_create("regdes", MFD_CLOEXEC);
    FUZZ_CHECK(fd >= 0);
    FUZZ_CHECK(write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()));
    DescriptionFile file("/proc/self/fd/" + std::to_string(fd));
    FUZZ_CHECK(file.IsOpen());
    for (size_t i = 0; i < 8; ++i) {
        FUZZ_CHECK(file.Rewind());
        std::string description;
        LookupRegisterDescription(file, Pick(text, i) & 0xFC, Pick(text, i + 3), &description);
        FUZZ_CHECK(description.find('\n') == std::string::npos);
        FUZZ_CHECK(description.size() < DescriptionLineReader::kPieceLimit);
    }
    close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    if (size == 0) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 3) {
        case 0:
            NameFile(text);
            break;
        case 1:
            ClassFile(text);
            break;
        default:
            LinePieces(text);
            DescriptionFileLookups(text);
            break;
    }
    return 0;
}
