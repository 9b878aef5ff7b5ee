// SPDX-License-Identifier: MIT
// The configuration space decoder on any 256 or 4096 bytes (or any length at
// all), with or without refused dwords, and every dword's summary and field
// lines as the window shows them.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "pcidef/ConfigDecoder.h"
#include "pcidef/DwordDescription.h"

namespace {

struct Input {
    std::vector<uint8_t> config;
    std::vector<uint8_t> readable;  // empty: every dword was read
};

// First byte: bit 0 a 4096-byte space, bit 1 a readable mask after the
// bytes, bit 2 the bytes exactly as they come, of any length.
Input Split(const unsigned char* data, size_t size) {
    Input input;
    const unsigned flags = data[0];
    const unsigned char* rest = data + 1;
    const size_t restSize = size - 1;
    size_t length = flags & 1 ? 4096 : 256;
    if (flags & 4) length = flags & 2 ? restSize / 2 : restSize;
    input.config.assign(length, 0);
    for (size_t i = 0; i < length && i < restSize; ++i) input.config[i] = rest[i];
    if (flags & 2) {
        input.readable.assign((length + 3) / 4, 1);
        for (size_t i = 0; i < input.readable.size() && length + i < restSize; ++i)
            input.readable[i] = rest[length + i] & 1;
    }
    return input;
}

bool DwordReadable(const Input& input, uint32_t offset) {
    return input.readable.empty() || input.readable[offset / 4] != 0;
}

void CheckStructures(const pcidef::DecodedFunction& decoded, const Input& input) {
    FUZZ_CHECK(decoded.Size() == input.config.size());
    FUZZ_CHECK(!decoded.Structures().empty() && decoded.Header().IsHeader());
    for (const pcidef::DecodedStructure& structure : decoded.Structures()) {
        FUZZ_CHECK(structure.first + structure.count <= decoded.Registers().size());
        for (const pcidef::DecodedRegister& reg : decoded.Registers(structure)) {
            FUZZ_CHECK(reg.offset + reg.Width() <= decoded.Size());
            FUZZ_CHECK(&decoded.StructureOf(reg) == &structure);
            // A register in a refused dword never shows the buffer's bytes.
            const bool refused = !DwordReadable(input, reg.offset) ||
                                 !DwordReadable(input, reg.offset + reg.Width() - 1);
            if (refused) FUZZ_CHECK(!reg.readable && reg.value == 0);
        }
    }
    // A note per structure cut short, a few from the walks: never a flood.
    FUZZ_CHECK(decoded.Notes().size() <= decoded.Structures().size() + 16);
    for (const std::string& note : decoded.Notes()) FUZZ_CHECK(!note.empty() && note.size() < 256);
}

void CheckDwords(const pcidef::DecodedFunction& decoded) {
    for (uint32_t offset = 0; offset + 4 <= decoded.Size(); offset += 4) {
        const std::string summary = pcidef::DwordSummary(decoded, offset);
        FUZZ_CHECK(summary.find('\n') == std::string::npos);
        for (const pcidef::FieldLine& line : pcidef::DwordFieldLines(decoded, offset)) {
            FUZZ_CHECK(!line.name.empty() && line.low <= line.high && line.high < 32);
            const unsigned width = line.high - line.low + 1u;
            FUZZ_CHECK(width == 32 || (line.value >> width) == 0);
            if (!line.readable) FUZZ_CHECK(line.value == 0);
            FUZZ_CHECK(pcidef::FormatFieldLine(line).find('\n') == std::string::npos);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    if (size == 0) return 0;
    const Input input = Split(data, size);
    const pcidef::DecodedFunction decoded = pcidef::Decode(input.config, input.readable);
    CheckStructures(decoded, input);
    CheckDwords(decoded);
    return 0;
}
