// SPDX-License-Identifier: MIT
#include "RandomDataFile.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <vector>

#include "BenchScratch.h"

bool WriteRandomDataFile(const std::string& path, uint64_t bytes, const std::string& tail) {
    constexpr uint64_t kBlock = 0x400000;
    std::ofstream file(path, std::ios::binary);
    if (!file) return false;
    std::vector<uint64_t> block(kBlock / sizeof(uint64_t));
    uint64_t state = 0x9E3779B97F4A7C15u;
    for (uint64_t written = 0; written < bytes; written += kBlock) {
        if (BenchScratch::Interrupted()) return false;
        const uint64_t size = std::min(kBlock, bytes - written);
        for (uint64_t& word : block) {  // xorshift64
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            word = state;
        }
        if (written + size == bytes && size >= tail.size())
            std::memcpy(reinterpret_cast<char*>(block.data()) + size - tail.size(), tail.data(),
                        tail.size());
        // A full disk stops the writing at once, not after the last block.
        if (!file.write(reinterpret_cast<const char*>(block.data()),
                        static_cast<std::streamsize>(size)))
            return false;
    }
    return static_cast<bool>(file.flush());
}
