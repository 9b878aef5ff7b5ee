// SPDX-License-Identifier: MIT
#include "support/FakeSysfs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

FakeSysfs::FakeSysfs() {
    std::string pattern = (fs::temp_directory_path() / "tarvolent-sysfs-XXXXXX").string();
    root_ = mkdtemp(pattern.data()) ? fs::path(pattern) : fs::path();
    EXPECT_FALSE(root_.empty());
    fs::create_directories(root_ / "devices");
}

FakeSysfs::~FakeSysfs() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

void FakeSysfs::AddFunction(const std::string& name, std::vector<uint8_t> config) {
    fs::create_directories(root_ / "devices" / name);
    WriteFile(root_ / "devices" / name / "config", config);
}

void FakeSysfs::SetMemory(std::vector<uint8_t> bytes) {
    WriteFile(root_ / "mem", bytes);
}

void FakeSysfs::SetMcfg(const std::vector<Entry>& entries) {
    std::vector<uint8_t> table(44 + 16 * entries.size());
    std::memcpy(table.data(), "MCFG", 4);
    uint32_t length = static_cast<uint32_t>(table.size());
    std::memcpy(table.data() + 4, &length, 4);
    for (size_t i = 0; i < entries.size(); ++i) {
        uint8_t* entry = table.data() + 44 + 16 * i;
        std::memcpy(entry, &entries[i].base, 8);
        std::memcpy(entry + 8, &entries[i].segment, 2);
        entry[10] = entries[i].startBus;
        entry[11] = entries[i].endBus;
    }
    WriteFile(root_ / "MCFG", table);
}

std::vector<uint8_t> FakeSysfs::Config(const std::string& name) const {
    std::ifstream in(root_ / "devices" / name / "config", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

LinuxBackend::Paths FakeSysfs::Paths() const {
    return {(root_ / "devices").string(), (root_ / "mem").string(), (root_ / "MCFG").string()};
}
