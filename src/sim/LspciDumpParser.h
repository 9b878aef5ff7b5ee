// SPDX-License-Identifier: MIT
#pragma once

#include <map>
#include <string>
#include <vector>

#include "pcidef/FunctionAddress.h"
#include "sim/MachineLoad.h"

// The text that `lspci -xxx` / `lspci -xxxx` prints: a line
// "[DOMAIN:]BB:DD.F ..." starts a function, lines "OO: xx xx ..." give its
// bytes, everything else is ignored. Functions of every domain, in file
// order; each domain gets a configuration window of its own.
class LspciDumpParser {
  public:
    // Segment 0's configuration window.
    static constexpr uint64_t kWindowBase = 0xE0000000u;

    explicit LspciDumpParser(std::string fileName);

    MachineLoad Parse(const std::string& text);

  private:
    // A function being read: its bytes so far (grown to 256 or 4096 as
    // offsets arrive, so a dump of bare function lines stays small) and the
    // highest offset seen.
    struct Pending {
        FunctionAddress address;
        std::vector<uint8_t> config;
        size_t extent = 0;
    };
    // "[DDDD:]BB:DD.F" then a blank or the end of the line.
    static bool ParseHeader(const std::string& text, FunctionAddress* address);
    // "OO:" or "OOO:" then a blank or the end; the offset and where the bytes start.
    static bool ParseDataOffset(const std::string& text, size_t* offset, size_t* bytesAt);
    bool Fail(size_t line, const std::string& what, const std::string& text);
    bool HeaderLine(size_t line, const std::string& text, bool* isHeader);
    bool DataLine(size_t line, const std::string& text);
    void AddWindows(SimMachine& machine) const;

    std::string fileName_;
    std::string error_;
    std::vector<Pending> functions_;
    std::map<uint32_t, size_t> seen_;  // address key -> line where it started
};
