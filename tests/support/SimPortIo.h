// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/PortIo.h"

class SimMachine;

// The ports 0xCF8/0xCFC of a simulated machine, as a PortIo double that
// records every access. Install with ScopedOverride<PortIo>.
class SimPortIo : public PortIo {
  public:
    explicit SimPortIo(SimMachine& machine) : machine_(machine) {}
    // Owns a machine of its own; fails the current test (and returns null)
    // when the machine is malformed.
    static std::unique_ptr<SimPortIo> FromMachineJson(const std::string& json);
    ~SimPortIo() override;

    void OutDword(uint16_t port, uint32_t value) override;
    uint32_t InDword(uint16_t port) override;

    // Every port access in order: (port, value written or read).
    std::vector<std::pair<uint16_t, uint32_t>> accesses;

    // Number of InDword calls so far.
    int Reads() const { return reads_; }
    SimMachine& Machine() { return machine_; }

  private:
    SimPortIo(std::unique_ptr<SimMachine> owned);

    std::unique_ptr<SimMachine> owned_;
    SimMachine& machine_;
    int reads_ = 0;
};
