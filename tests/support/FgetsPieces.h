// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// What a loop of fgets into 256 bytes examines, in order: every line read
// before the end of the file was hit, with its bytes as read (NULs kept).
inline std::vector<std::string> FgetsPieces(const std::string& name) {
    std::vector<std::string> pieces;
    std::FILE* file = std::fopen(name.c_str(), "r");
    if (!file) return pieces;
    char buffer[256];
    for (long before = 0; std::fgets(buffer, sizeof buffer, file) && !std::feof(file);) {
        const long after = std::ftell(file);
        pieces.emplace_back(buffer, static_cast<size_t>(after - before));
        before = after;
    }
    std::fclose(file);
    return pieces;
}
