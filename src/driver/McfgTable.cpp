// SPDX-License-Identifier: MIT
#include "driver/McfgTable.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace {

// ACPI table header (36 bytes), 8 reserved bytes, then 16-byte entries.
constexpr size_t kEntriesOffset = 44;
constexpr size_t kEntrySize = 16;

}  // namespace

std::vector<ConfigWindow> ParseMcfgTable(const std::vector<uint8_t>& table) {
    std::vector<ConfigWindow> windows;
    if (table.size() < kEntriesOffset || std::memcmp(table.data(), "MCFG", 4) != 0) return windows;
    uint32_t length = 0;
    std::memcpy(&length, table.data() + 4, sizeof(length));
    size_t end = std::min<size_t>(length, table.size());
    for (size_t at = kEntriesOffset; at + kEntrySize <= end; at += kEntrySize) {
        ConfigWindow window;
        std::memcpy(&window.base, table.data() + at, 8);
        std::memcpy(&window.segment, table.data() + at + 8, 2);
        window.startBus = table[at + 10];
        window.endBus = table[at + 11];
        if (window.startBus <= window.endBus) windows.push_back(window);
    }
    return windows;
}

std::vector<ConfigWindow> ReadMcfgTable(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::vector<uint8_t> table{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
    return ParseMcfgTable(table);
}
