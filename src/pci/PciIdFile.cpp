#include "pci/PciIdFile.h"

#include <cstring>
#include <string_view>

#include "pci/DescriptionFile.h"
#include "pci/DescriptionLineReader.h"
#include "pci/HexScan.h"

namespace {

enum class IdLine { Vendor, Device, Other };

constexpr std::string_view kVendorFirst = "v";
constexpr std::string_view kVendorOrDeviceFirst = "vd";

char Lower(char c) {
    return static_cast<char>(c | 0x20);
}

IdLine ClassifyIdLine(std::string_view piece) {
    if (piece.size() < 3 || Lower(piece[1]) != 'i' || Lower(piece[2]) != 'd') return IdLine::Other;
    char first = Lower(piece[0]);
    if (first == 'v') return IdLine::Vendor;
    if (first == 'd') return IdLine::Device;
    return IdLine::Other;
}

// Four hex digits at p[4..7] and no fifth at p[8], as every generated line
// has: the number is exactly those digits.
bool ReadFourDigitId(const char* p, uint32_t* number) {
    int d0 = HexDigitValue(p[4]), d1 = HexDigitValue(p[5]), d2 = HexDigitValue(p[6]),
        d3 = HexDigitValue(p[7]);
    if ((d0 | d1 | d2 | d3) < 0 || HexDigitValue(p[8]) >= 0) return false;
    *number = static_cast<uint32_t>(d0 << 12 | d1 << 8 | d2 << 4 | d3);
    return true;
}

// The number from the fifth character on; false when it cannot be read.
bool ReadIdNumber(std::string_view piece, uint32_t* number, const char** stop) {
    if (piece.size() > 8 && ReadFourDigitId(piece.data(), number)) {
        *stop = piece.data() + 8;
        return true;
    }
    if (piece.size() <= 4) return false;
    return ScanHex(piece.data() + 4, piece.data() + piece.size(), number, stop);
}

// Passes over, unread, a line whose "ID" keyword or four-digit number rules
// it out; anything less plain is read in full.
bool MayBeIdLineFor(const char* start, size_t available, uint32_t id) {
    if (available < 3 || Lower(start[1]) != 'i' || Lower(start[2]) != 'd') return false;
    uint32_t number = 0;
    return available <= 8 || !ReadFourDigitId(start, &number) || number == id;
}

// In a vendor's block every vendor line counts: it ends the block.
bool MayBeDeviceLineForOrVendorLine(const char* start, size_t available, uint32_t id) {
    return Lower(start[0]) == 'v' || MayBeIdLineFor(start, available, id);
}

// The name starts at the first word after the number. It is looked for from
// the number on, not from the line's start, so a name whose first word also
// occurs in "VID xxxx" is not mistaken for an earlier match.
std::string IdLineName(std::string_view piece, const char* afterNumber) {
    size_t from = afterNumber - piece.data();
    size_t length = strnlen(piece.data(), piece.size());
    while (from < length && (piece[from] == ' ' || piece[from] == '\t' || piece[from] == '\v' ||
                             piece[from] == '\f' || piece[from] == '\r' || piece[from] == '\n'))
        ++from;
    if (from >= length) return {};
    return std::string(PieceTextWithoutBreak(piece, from));
}

bool IsIdLineFor(std::string_view piece, IdLine kind, uint32_t id, const char** afterNumber) {
    uint32_t number = 0;
    return ClassifyIdLine(piece) == kind && ReadIdNumber(piece, &number, afterNumber) &&
           number == id;
}

}  // namespace

std::string LookupVendorName(uint32_t vendorId) {
    DescriptionFile file(kPciIdFileName);
    if (!file.IsOpen()) return {};
    DescriptionLineReader reader(file.Descriptor());
    std::string_view piece;
    const char* afterNumber = nullptr;
    while (reader.NextStartingWithLetter(kVendorFirst, &piece, MayBeIdLineFor, vendorId) ==
           DescriptionLineReader::Status::Line) {
        if (IsIdLineFor(piece, IdLine::Vendor, vendorId, &afterNumber))
            return IdLineName(piece, afterNumber);
    }
    return {};
}

std::string LookupDeviceName(uint32_t vendorId, uint32_t deviceId) {
    DescriptionFile file(kPciIdFileName);
    if (!file.IsOpen()) return {};
    DescriptionLineReader reader(file.Descriptor());
    std::string_view piece;
    const char* afterNumber = nullptr;
    bool inBlock = false;
    // Only vendor and device lines count, so only their first letters are looked at.
    while ((inBlock
                ? reader.NextStartingWithLetter(kVendorOrDeviceFirst, &piece,
                                                MayBeDeviceLineForOrVendorLine, deviceId)
                : reader.NextStartingWithLetter(kVendorFirst, &piece, MayBeIdLineFor, vendorId)) ==
           DescriptionLineReader::Status::Line) {
        if (!inBlock) {
            inBlock = IsIdLineFor(piece, IdLine::Vendor, vendorId, &afterNumber);
            continue;
        }
        IdLine kind = ClassifyIdLine(piece);
        if (kind == IdLine::Vendor) return {};
        if (kind == IdLine::Device && IsIdLineFor(piece, IdLine::Device, deviceId, &afterNumber))
            return IdLineName(piece, afterNumber);
    }
    return {};
}
