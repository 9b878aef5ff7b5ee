// SPDX-License-Identifier: MIT
#include "pci/names/PciClassIndex.h"

#include <cstring>

#include "pci/names/DescriptionLineReader.h"
#include "pci/names/HexScan.h"

namespace {

constexpr size_t kClassNameOffset = 14;

}  // namespace

PciClassIndex::PciClassIndex(std::string text) : text_(std::move(text)) {
    DescriptionLineReader reader{std::string_view(text_)};
    std::string_view piece;
    while (reader.Next(&piece) == DescriptionLineReader::Status::Line) {
        // Short as a C string: a NUL ends the line's text.
        if (piece[0] == '#' || strnlen(piece.data(), piece.size()) <= 3) continue;
        const char* end = piece.data() + piece.size();
        const char* afterValue = nullptr;
        uint32_t value = 0;
        uint32_t mask = 0;
        if (ScanHex(piece.data(), end, &value, &afterValue) && ScanHex(afterValue, end, &mask))
            lines_.push_back({value, mask, PieceTextWithoutBreak(piece, kClassNameOffset)});
    }
}

std::string PciClassIndex::ClassName(uint32_t classCode) const {
    for (const Line& line : lines_)
        if ((classCode & line.mask) == (line.value & line.mask)) return std::string(line.name);
    return {};
}
