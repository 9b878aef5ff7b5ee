#pragma once

#include <string>
#include <vector>

#include "driver/DriverBackend.h"
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

    const std::vector<McfgWindow>& Windows() const { return windows_; }

    uint32_t ListFunctions(std::vector<Bdf>* functions) override;
    uint32_t ReadConfigDword(Bdf function, uint32_t offset, uint32_t* value) override;
    uint32_t WriteConfigDword(Bdf function, uint32_t offset, uint32_t value) override;
    uint32_t ReadPhysical(uint32_t address, uint8_t* buffer, uint32_t length) override;
    uint32_t WritePhysical(uint32_t address, const uint8_t* buffer, uint32_t length) override;

  private:
    std::string ConfigPath(Bdf function) const;
    // Bytes of a config file at offset; an absent function reads 0xFF, bytes
    // past the end of a complete config space read 0.
    uint32_t ReadConfigBytes(Bdf function, uint32_t offset, uint8_t* out, uint32_t length);
    uint32_t WriteConfigBytes(Bdf function, uint32_t offset, const uint8_t* in, uint32_t length);
    uint32_t AccessMemory(bool write, uint64_t address, uint8_t* buffer, uint32_t length);
    // The part of [address, address + length) that lies in one window, or
    // outside all of them; false when the start lies outside.
    bool WindowPiece(uint64_t address, uint64_t length, Bdf* function, uint32_t* offset,
                     uint64_t* pieceLength) const;
    uint64_t DistanceToNextWindow(uint64_t address, uint64_t length) const;

    Paths paths_;
    std::vector<McfgWindow> windows_;
};
