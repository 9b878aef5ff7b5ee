// SPDX-License-Identifier: MIT
#include "pci/names/RegisterDescription.h"

#include <string_view>

#include "pci/names/DescriptionLineReader.h"
#include "pci/names/HexScan.h"

namespace {

constexpr size_t kDescriptionOffset = 3;

bool StartsWithIgnoringCase(std::string_view piece, std::string_view keyword) {
    if (piece.size() < keyword.size()) return false;
    for (size_t i = 0; i < keyword.size(); ++i) {
        char c = piece[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != keyword[i]) return false;
    }
    return true;
}

// Section lines: ";IDEND" closes, ";IDGLOBAL" opens, ";ID=<identity>" opens;
// a device line of another identity leaves the state as it is.
void ApplySectionLine(std::string_view piece, uint32_t identity, bool* open) {
    if (StartsWithIgnoringCase(piece, ";IDEND")) {
        *open = false;
    } else if (StartsWithIgnoringCase(piece, ";IDGLOBAL")) {
        *open = true;
    } else if (piece.substr(0, 4) == ";ID=") {
        uint32_t id = 0;
        if (ScanHex(piece.data() + 4, piece.data() + piece.size(), &id) && id == identity)
            *open = true;
    }
}

}  // namespace

void LookupRegisterDescription(DescriptionFile& file, uint32_t offset, uint32_t identity,
                               std::string* description) {
    *description = RegisterDescriptions(file, identity).Describe(offset);
}

// The first open line of an offset is the one a lookup stops at.
RegisterDescriptions::RegisterDescriptions(DescriptionFile& file, uint32_t identity) {
    DescriptionLineReader reader(file.Descriptor());
    std::string_view piece;
    bool open = false;
    while (reader.Next(&piece) == DescriptionLineReader::Status::Line) {
        if (piece[0] == ';') {
            ApplySectionLine(piece, identity, &open);
            continue;
        }
        if (piece[0] == '#' || piece.size() <= 2 || !open) continue;
        uint32_t number = 0;
        if (ScanHex(piece.data(), piece.data() + piece.size(), &number))
            found_.try_emplace(number, PieceTextWithoutBreak(piece, kDescriptionOffset));
    }
}

const std::string& RegisterDescriptions::Describe(uint32_t offset) const {
    static const std::string none = kNoRegisterDescription;
    const auto it = found_.find(offset);
    return it == found_.end() ? none : it->second;
}
