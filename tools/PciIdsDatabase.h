// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The parts of a pci.ids file the data files need: vendors with their
// devices, and the class tree. Subsystem lines are left out.
struct PciIdsDevice {
    uint32_t id;
    std::string name;
};
struct PciIdsVendor {
    uint32_t id;
    std::string name;
    std::vector<PciIdsDevice> devices;
};
struct PciIdsProgIf {
    uint32_t id;
    std::string name;
};
struct PciIdsSubclass {
    uint32_t id;
    std::string name;
    std::vector<PciIdsProgIf> progIfs;
};
struct PciIdsClass {
    uint32_t id;
    std::string name;
    std::vector<PciIdsSubclass> subclasses;
};

struct PciIdsDatabase {
    std::string version;  // from the "#\tVersion:" comment, when present
    std::vector<PciIdsVendor> vendors;
    std::vector<PciIdsClass> classes;
};

// False with `error` naming the line and its text when the file is malformed.
bool ParsePciIds(const std::string& path, PciIdsDatabase* database, std::string* error);
