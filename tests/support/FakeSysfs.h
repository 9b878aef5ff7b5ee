// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "driver/LinuxBackend.h"

// A stand-in for sysfs, the MCFG table and /dev/mem made of plain files in
// a scratch directory, so the linux backend's writes have somewhere
// harmless to go.
class FakeSysfs {
  public:
    FakeSysfs();
    ~FakeSysfs();

    // A function directory with a config file of these bytes.
    void AddFunction(const std::string& name, std::vector<uint8_t> config);
    void SetMemory(std::vector<uint8_t> bytes);
    // One MCFG entry per (base, segment, start bus, end bus).
    struct Entry {
        uint64_t base;
        uint16_t segment;
        uint8_t startBus, endBus;
    };
    void SetMcfg(const std::vector<Entry>& entries);
    std::vector<uint8_t> Config(const std::string& name) const;
    LinuxBackend::Paths Paths() const;

  private:
    std::filesystem::path root_;
};
