// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "driver/DriverBackend.h"
#include "driver/FileDescriptor.h"
#include "driver/McfgTable.h"

// This machine's hardware: functions and configuration space from sysfs,
// physical memory from /dev/mem, and the MCFG window's addresses through
// the functions' config files. What the kernel refuses fails the request.
class LinuxBackend : public DriverBackend {
  public:
    struct Paths {
        std::string devices = "/sys/bus/pci/devices";
        std::string memory = "/dev/mem";
        std::string mcfg = "/sys/firmware/acpi/tables/MCFG";
        // Refuses every write; test runs ask for it so they can never
        // change this machine's hardware.
        bool readOnly = false;
    };

    LinuxBackend() : LinuxBackend(Paths{}) {}
    explicit LinuxBackend(Paths paths);

    const std::vector<ConfigWindow>& Windows() const { return windows_; }

    uint32_t ListFunctions(std::vector<FunctionAddress>* functions) override;
    uint32_t ReadConfigDword(FunctionAddress function, uint32_t offset, uint32_t* value) override;
    uint32_t WriteConfigDword(FunctionAddress function, uint32_t offset, uint32_t value) override;
    // One read of the config file; only the dwords it did not give are
    // asked again one by one, so a refusal answers as it would there.
    uint32_t ReadConfigBlock(FunctionAddress function, uint32_t size, uint8_t* bytes,
                             uint8_t* dwordRead) override;
    uint32_t ReadPhysical(uint32_t address, uint8_t* buffer, uint32_t length) override;
    uint32_t WritePhysical(uint32_t address, const uint8_t* buffer, uint32_t length) override;

  private:
    std::string ConfigPath(FunctionAddress function) const;
    // Bytes of a config file at offset; an absent function reads 0xFF, bytes
    // past the end of a complete config space read 0.
    uint32_t ReadConfigBytes(FunctionAddress function, uint32_t offset, uint8_t* out,
                             uint32_t length);
    uint32_t WriteConfigBytes(FunctionAddress function, uint32_t offset, const uint8_t* in,
                              uint32_t length);
    // Inside a window through the config files, elsewhere through /dev/mem.
    uint32_t AccessMemory(bool write, uint64_t address, uint8_t* buffer, uint32_t length);
    uint32_t AccessWindow(bool write, const WindowPiece& piece, uint8_t* buffer);
    uint32_t AccessPhysical(bool write, uint64_t address, uint64_t length, uint8_t* buffer,
                            FileDescriptor* memory);

    Paths paths_;
    std::vector<ConfigWindow> windows_;
};
