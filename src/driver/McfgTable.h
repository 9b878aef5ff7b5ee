#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One memory-mapped configuration window of segment 0 from the ACPI MCFG
// table: bus b lives at base + (b << 20) for startBus <= b <= endBus.
struct McfgWindow {
    uint64_t base = 0;
    uint8_t startBus = 0;
    uint8_t endBus = 0;

    uint64_t Begin() const { return base + (uint64_t{startBus} << 20); }
    uint64_t End() const { return base + ((uint64_t{endBus} + 1) << 20); }
};

// The windows of segment 0 in the table's bytes; empty when the table is
// missing, unreadable or malformed (then no physical address is redirected).
std::vector<McfgWindow> ParseMcfgTable(const std::vector<uint8_t>& table);
std::vector<McfgWindow> ReadMcfgTable(const std::string& path);
