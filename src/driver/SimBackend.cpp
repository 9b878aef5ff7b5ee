// SPDX-License-Identifier: MIT
#include "driver/SimBackend.h"

#include <cstring>
#include <utility>

#include "protocol/ErrorCodes.h"

SimBackend::SimBackend(std::unique_ptr<SimMachine> machine) : machine_(std::move(machine)) {}

uint32_t SimBackend::ListFunctions(std::vector<FunctionAddress>* functions) {
    functions->clear();
    for (const PciFunction& function : machine_->Functions())
        functions->push_back(function.Address());
    return ERROR_SUCCESS;
}

uint32_t SimBackend::ReadConfigDword(FunctionAddress function, uint32_t offset, uint32_t* value) {
    *value = machine_->ConfigRead(function, offset);
    return ERROR_SUCCESS;
}

uint32_t SimBackend::ReadConfigBlock(FunctionAddress function, uint32_t size, uint8_t* bytes,
                                     uint8_t* dwordRead) {
    machine_->ConfigReadBlock(function, size, bytes);
    std::memset(dwordRead, 1, size / 4);
    return ERROR_SUCCESS;
}

uint32_t SimBackend::WriteConfigDword(FunctionAddress function, uint32_t offset, uint32_t value) {
    machine_->ConfigWrite(function, offset, value);
    return ERROR_SUCCESS;
}

uint32_t SimBackend::ReadPhysical(uint32_t address, uint8_t* buffer, uint32_t length) {
    machine_->ReadPhysical(address, buffer, length);
    return ERROR_SUCCESS;
}

uint32_t SimBackend::ReadPhysicalPieces(uint32_t address, uint32_t length,
                                        const PhysicalPieces& take) {
    uint32_t status = ERROR_SUCCESS;
    machine_->ReadPhysicalPieces(address, length, [&](const uint8_t* bytes, uint64_t count) {
        status = take(bytes, count);
        return status == ERROR_SUCCESS;
    });
    return status;
}

uint32_t SimBackend::WritePhysical(uint32_t address, const uint8_t* buffer, uint32_t length) {
    machine_->WritePhysical(address, buffer, length);
    return ERROR_SUCCESS;
}
