// SPDX-License-Identifier: MIT
#include "sim/LspciDumpParser.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <sstream>
#include <utility>

#include "platform/HexDigit.h"
#include "sim/Excerpt.h"

// Lines are matched by hand, in one pass: a pattern engine that recurses per
// character overflows the stack on the long lines a dump may hold.
namespace {

// `count` hex digits at `at`; their value.
bool HexDigits(const std::string& text, size_t at, size_t count, unsigned* value) {
    if (at + count > text.size()) return false;
    unsigned result = 0;
    for (size_t i = at; i < at + count; ++i) {
        const int digit = HexDigitValue(text[i]);
        if (digit < 0) return false;
        result = result * 16 + static_cast<unsigned>(digit);
    }
    *value = result;
    return true;
}

// The end of the text or a blank: where a field of the line ends.
bool FieldEnds(const std::string& text, size_t at) {
    return at == text.size() || std::isspace(static_cast<unsigned char>(text[at]));
}

}  // namespace

bool LspciDumpParser::ParseHeader(const std::string& text, FunctionAddress* address) {
    const AddressText read = ReadFunctionAddress(text, AddressDigits::Printed, address);
    return read.length > 0 && FieldEnds(text, read.length);
}

bool LspciDumpParser::ParseDataOffset(const std::string& text, size_t* offset, size_t* bytesAt) {
    for (size_t digits : {size_t{2}, size_t{3}}) {
        unsigned value = 0;
        if (HexDigits(text, 0, digits, &value) && digits < text.size() && text[digits] == ':' &&
            FieldEnds(text, digits + 1)) {
            *offset = value;
            *bytesAt = digits + 1;
            return true;
        }
    }
    return false;
}

LspciDumpParser::LspciDumpParser(std::string fileName) : fileName_(std::move(fileName)) {}

bool LspciDumpParser::Fail(size_t line, const std::string& what, const std::string& text) {
    error_ = fileName_ + ":" + std::to_string(line) + ": " + what + ": \"" + text + "\"";
    return false;
}

bool LspciDumpParser::HeaderLine(size_t line, const std::string& text, bool* isHeader) {
    FunctionAddress address;
    *isHeader = ParseHeader(text, &address);
    if (!*isHeader) return true;
    if (!address.InRange()) return Fail(line, "device or function out of range", Excerpt(text));
    auto [it, fresh] = seen_.try_emplace(address.Key(), line);
    if (!fresh) {
        return Fail(line, "duplicate function (first at line " + std::to_string(it->second) + ")",
                    Excerpt(text));
    }
    functions_.push_back(Pending{address, {}, 0});
    return true;
}

bool LspciDumpParser::DataLine(size_t line, const std::string& text) {
    size_t offset = 0, bytesAt = 0;
    if (!ParseDataOffset(text, &offset, &bytesAt)) return true;  // decoding text, ignored
    if (functions_.empty()) return Fail(line, "bytes before any function line", Excerpt(text));
    std::istringstream bytes(text.substr(bytesAt));
    std::string token;
    Pending& function = functions_.back();
    while (bytes >> token) {
        unsigned byte = 0;
        if (token.size() != 2 || !HexDigits(token, 0, 2, &byte)) {
            return Fail(line, "bad byte \"" + Excerpt(token) + "\"", Excerpt(text));
        }
        if (offset >= PciFunction::kExtendedSize) {
            return Fail(line, "offset beyond 4096 bytes", Excerpt(text));
        }
        if (offset >= function.config.size()) {
            function.config.resize(offset < PciFunction::kLegacySize ? PciFunction::kLegacySize
                                                                     : PciFunction::kExtendedSize);
        }
        function.config[offset++] = static_cast<uint8_t>(byte);
        function.extent = std::max(function.extent, offset);
    }
    return true;
}

// Segment 0's window at kWindowBase, each further segment's (in the order
// they first appear) in the next free slot of the bases the PCI window
// probes, while there is one.
void LspciDumpParser::AddWindows(SimMachine& machine) const {
    static constexpr uint64_t kFurtherBases[] = {0xD0000000, 0xC0000000, 0xB0000000, 0xA0000000,
                                                 0x90000000, 0x80000000, 0xF0000000};
    machine.AddWindow({kWindowBase});
    size_t next = 0;
    std::vector<uint16_t> placed{0};
    for (const Pending& function : functions_) {
        const uint16_t segment = function.address.segment;
        if (std::find(placed.begin(), placed.end(), segment) != placed.end()) continue;
        if (next == std::size(kFurtherBases)) break;
        machine.AddWindow({kFurtherBases[next++], segment});
        placed.push_back(segment);
    }
}

MachineLoad LspciDumpParser::Parse(const std::string& text) {
    MachineLoad load;
    size_t number = 0;
    // Line by line out of the text itself: a stream over it would copy it
    // whole, and a dump may be hundreds of megabytes.
    for (size_t start = 0; start < text.size();) {
        ++number;
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        bool isHeader = false;
        if (!HeaderLine(number, line, &isHeader) || (!isHeader && !DataLine(number, line))) {
            load.error = error_;
            return load;
        }
    }
    if (functions_.empty()) {
        load.error = fileName_ + ": no PCI function found (neither JSON nor an lspci -xxx dump)";
        return load;
    }
    auto machine = std::make_unique<SimMachine>();
    machine->name = fileName_;
    AddWindows(*machine);
    for (Pending& function : functions_) {
        size_t size = function.extent <= PciFunction::kLegacySize ? PciFunction::kLegacySize
                                                                  : PciFunction::kExtendedSize;
        function.config.resize(size);
        machine->AddFunction(PciFunction(function.address, std::move(function.config),
                                         PciFunction::DefaultMask(size)));
    }
    load.machine = std::move(machine);
    return load;
}
