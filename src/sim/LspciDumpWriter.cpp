// SPDX-License-Identifier: MIT
#include "sim/LspciDumpWriter.h"

#include <cstdio>

std::string LspciDumpText(const std::vector<PciFunction>& functions) {
    std::string text;
    char line[64];
    for (const PciFunction& function : functions) {
        text += function.Address().ToString() + " Device\n";
        const std::vector<uint8_t>& config = function.Config();
        for (size_t row = 0; row < config.size(); row += 16) {
            std::snprintf(line, sizeof line, "%03zx:", row);
            text += line;
            for (size_t b = row; b < row + 16 && b < config.size(); ++b) {
                std::snprintf(line, sizeof line, " %02x", config[b]);
                text += line;
            }
            text += "\n";
        }
        text += "\n";
    }
    return text;
}
