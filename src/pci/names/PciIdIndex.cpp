// SPDX-License-Identifier: MIT
#include "pci/names/PciIdIndex.h"

#include <algorithm>
#include <cstring>

#include "hw/SystemFunctions.h"
#include "pci/names/DescriptionLineReader.h"
#include "pci/names/HexScan.h"

namespace {

enum class IdLine { Vendor, Device, Other };

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

// The name starts at the first word after the number. It is looked for from
// the number on, not from the line's start, so a name whose first word also
// occurs in "VID xxxx" is not mistaken for an earlier match.
std::string_view IdLineName(std::string_view piece, const char* afterNumber) {
    size_t from = static_cast<size_t>(afterNumber - piece.data());
    size_t length = strnlen(piece.data(), piece.size());
    while (from < length && IsScanSpace(piece[from])) ++from;
    if (from >= length) return {};
    return PieceTextWithoutBreak(piece, from);
}

}  // namespace

PciIdIndex::PciIdIndex(std::string text) : text_(std::move(text)) {
    DescriptionLineReader reader{std::string_view(text_)};
    std::string_view piece;
    // The vendor whose first block the lines now belong to, if any.
    Vendor* block = nullptr;
    // Vendor lines alone here: a vendor's device lines are read at the first
    // lookup of one of its devices.
    while (reader.NextStartingWithLetter("v", &piece) == DescriptionLineReader::Status::Line) {
        if (ClassifyIdLine(piece) != IdLine::Vendor) continue;
        const size_t lineStart = static_cast<size_t>(piece.data() - text_.data());
        // Every vendor line ends the block before it.
        if (block) block->blockEnd = lineStart;
        block = nullptr;
        uint32_t number = 0;
        const char* afterNumber = nullptr;
        if (!ReadIdNumber(piece, &number, &afterNumber)) continue;
        const size_t blockBegin = lineStart + piece.size();
        auto [vendor, first] = vendors_.try_emplace(
            number, Vendor{IdLineName(piece, afterNumber), blockBegin, blockBegin});
        if (first) block = &vendor->second;
    }
    if (block) block->blockEnd = text_.size();
}

std::string PciIdIndex::VendorName(uint32_t vendorId) const {
    const auto vendor = vendors_.find(vendorId);
    return vendor == vendors_.end() ? std::string() : std::string(vendor->second.name);
}

std::string_view PciIdIndex::FindDevice(const Vendor& vendor, uint32_t vendorId,
                                        uint32_t deviceId) const {
    // A vendor's block is read only as far as a lookup needs, and what was
    // read is kept for the next.
    Devices& devices = devices_[vendorId];
    for (const Device& device : devices.read)
        if (device.id == deviceId) return device.name;
    const size_t from = std::max(devices.readTo, vendor.blockBegin);
    DescriptionLineReader reader{std::string_view(text_).substr(from, vendor.blockEnd - from)};
    std::string_view piece;
    while (reader.NextStartingWithLetter("d", &piece) == DescriptionLineReader::Status::Line) {
        devices.readTo = static_cast<size_t>(piece.data() - text_.data()) + piece.size();
        uint32_t number = 0;
        const char* afterNumber = nullptr;
        if (ClassifyIdLine(piece) != IdLine::Device || !ReadIdNumber(piece, &number, &afterNumber))
            continue;
        devices.read.push_back({number, IdLineName(piece, afterNumber)});
        if (number == deviceId) return devices.read.back().name;
    }
    devices.readTo = vendor.blockEnd;
    return {};
}

std::string PciIdIndex::DeviceName(uint32_t vendorId, uint32_t deviceId) const {
    const auto vendor = vendors_.find(vendorId);
    if (vendor == vendors_.end()) return {};
    std::lock_guard<std::mutex> guard(devicesMutex_);
    return std::string(FindDevice(vendor->second, vendorId, deviceId));
}
