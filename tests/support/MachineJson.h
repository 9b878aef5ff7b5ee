// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

// Machine files for the scan tests, built from the dwords that matter.
struct MachineFunction {
    std::string bdf;
    std::map<uint32_t, uint32_t> dwords;  // offset -> value; the rest reads 0
};

inline std::string ConfigHex(const std::map<uint32_t, uint32_t>& dwords) {
    std::string hex;
    char byte[4];
    for (uint32_t offset = 0; offset < 256; offset += 4) {
        auto it = dwords.find(offset);
        uint32_t value = it == dwords.end() ? 0 : it->second;
        for (int shift = 0; shift < 32; shift += 8) {
            std::snprintf(byte, sizeof byte, "%02x", (value >> shift) & 0xFF);
            hex += byte;
        }
        hex += ' ';
    }
    return hex;
}

inline std::string MachineJson(const std::vector<MachineFunction>& functions) {
    std::string json = R"({"name": "scan test", "functions": [)";
    for (size_t i = 0; i < functions.size(); ++i) {
        if (i) json += ",";
        json += R"({"bdf": ")" + functions[i].bdf + R"(", "config": ")" +
                ConfigHex(functions[i].dwords) + R"("})";
    }
    return json + "]}";
}
