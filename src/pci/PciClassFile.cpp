#include "pci/PciClassFile.h"

#include <string_view>

#include "pci/DescriptionFile.h"
#include "pci/DescriptionLineReader.h"
#include "pci/HexScan.h"
#include "platform/MessageBox.h"

namespace {

constexpr size_t kClassNameOffset = 14;

bool ClassLineMatches(std::string_view piece, uint32_t classCode) {
    if (piece[0] == '#' || piece.size() <= 3) return false;
    const char* end = piece.data() + piece.size();
    const char* afterValue = nullptr;
    uint32_t value = 0;
    uint32_t mask = 0;
    return ScanHex(piece.data(), end, &value, &afterValue) && ScanHex(afterValue, end, &mask) &&
           (classCode & mask) == (value & mask);
}

}  // namespace

int LookupClassName(uint32_t classCode, std::string* name) {
    DescriptionFile file(kPciClassFileName);
    if (!file.IsOpen()) return 0;
    DescriptionLineReader reader(file.Descriptor());
    std::string_view piece;
    for (;;) {
        DescriptionLineReader::Status status = reader.Next(&piece);
        if (status == DescriptionLineReader::Status::End) break;
        if (status == DescriptionLineReader::Status::Error) {
            // A descriptor that keeps failing would fail every further read
            // too; one message and the lookup ends without a match.
            ShowMessage(kDescriptionReadError);
            break;
        }
        if (ClassLineMatches(piece, classCode)) {
            *name = std::string(PieceTextWithoutBreak(piece, kClassNameOffset));
            return 1;
        }
    }
    name->clear();
    return 1;
}
