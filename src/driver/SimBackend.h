// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

#include "driver/DriverBackend.h"
#include "sim/SimMachine.h"

// The route to a simulated machine.
class SimBackend : public DriverBackend {
  public:
    explicit SimBackend(std::unique_ptr<SimMachine> machine);

    SimMachine& Machine() { return *machine_; }

    uint32_t ListFunctions(std::vector<FunctionAddress>* functions) override;
    uint32_t ReadConfigDword(FunctionAddress function, uint32_t offset, uint32_t* value) override;
    uint32_t ReadConfigBlock(FunctionAddress function, uint32_t size, uint8_t* bytes,
                             uint8_t* dwordRead) override;
    uint32_t WriteConfigDword(FunctionAddress function, uint32_t offset, uint32_t value) override;
    uint32_t ReadPhysical(uint32_t address, uint8_t* buffer, uint32_t length) override;
    uint32_t WritePhysical(uint32_t address, const uint8_t* buffer, uint32_t length) override;
    uint32_t ReadPhysicalPieces(uint32_t address, uint32_t length,
                                const PhysicalPieces& take) override;

  private:
    std::unique_ptr<SimMachine> machine_;
};
