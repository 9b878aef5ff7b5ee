#pragma once

#include <map>
#include <string>
#include <vector>

#include "pcidef/FunctionAddress.h"
#include "sim/MachineLoad.h"

// The text that `lspci -xxx` / `lspci -xxxx` prints: a line
// "[DOMAIN:]BB:DD.F ..." starts a function, lines "OO: xx xx ..." give its
// bytes, everything else is ignored. Functions outside domain 0000 are left
// out with a warning, since requests carry only an 8-bit bus.
class LspciDumpParser {
  public:
    static constexpr uint64_t kWindowBase = 0xE0000000u;

    explicit LspciDumpParser(std::string fileName);

    MachineLoad Parse(const std::string& text);

  private:
    // A function being read: its bytes so far and the highest offset seen.
    struct Pending {
        FunctionAddress address;
        std::vector<uint8_t> config = std::vector<uint8_t>(4096, 0);
        size_t extent = 0;
    };
    // "[DDDD:]BB:DD.F" then a blank or the end of the line.
    static bool ParseHeader(const std::string& text, FunctionAddress* address);
    // "OO:" or "OOO:" then a blank or the end; the offset and where the bytes start.
    static bool ParseDataOffset(const std::string& text, size_t* offset, size_t* bytesAt);
    static std::string Excerpt(const std::string& text);
    bool Fail(size_t line, const std::string& what, const std::string& text);
    bool HeaderLine(size_t line, const std::string& text, bool* isHeader);
    bool DataLine(size_t line, const std::string& text);

    std::string fileName_;
    std::string error_;
    std::vector<std::string> warnings_;
    std::vector<Pending> functions_;
    std::map<uint32_t, size_t> seen_;  // address key -> line where it started
    bool skipping_ = false;            // inside a function of another domain
};
