// SPDX-License-Identifier: MIT
#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// A private directory holding one dump's data file, base path + ".tmp", as
// the owner of a hex window writes it before attaching.
class HexDumpDirectory {
  public:
    HexDumpDirectory() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tv-hex-XXXXXX").string();
        path_ = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~HexDumpDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    HexDumpDirectory(const HexDumpDirectory&) = delete;
    HexDumpDirectory& operator=(const HexDumpDirectory&) = delete;

    std::string BasePath() const { return (path_ / "Memory1").string(); }
    std::string DataPath() const { return BasePath() + ".tmp"; }
    std::string MapPath() const { return BasePath() + "map.tmp"; }

    void WriteData(const std::vector<uint8_t>& bytes) const {
        std::ofstream(DataPath(), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    std::vector<uint8_t> ReadFile(const std::string& path) const {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // Bytes 0, 1, 2, ... wrapping at 256.
    static std::vector<uint8_t> Counting(size_t count) {
        std::vector<uint8_t> bytes(count);
        for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(i);
        return bytes;
    }

  private:
    std::filesystem::path path_;
};
