// SPDX-License-Identifier: MIT
#include "support/SimPortIo.h"

#include <gtest/gtest.h>

#include <utility>

#include "sim/MachineFileLoader.h"
#include "sim/SimMachine.h"

SimPortIo::SimPortIo(std::unique_ptr<SimMachine> owned)
    : owned_(std::move(owned)), machine_(*owned_) {}

SimPortIo::~SimPortIo() = default;

std::unique_ptr<SimPortIo> SimPortIo::FromMachineJson(const std::string& json) {
    MachineLoad load = MachineFileLoader::LoadText(json, "test machine");
    if (!load.Ok()) {
        ADD_FAILURE() << load.error;
        return nullptr;
    }
    return std::unique_ptr<SimPortIo>(new SimPortIo(std::move(load.machine)));
}

void SimPortIo::OutDword(uint16_t port, uint32_t value) {
    accesses.emplace_back(port, value);
    machine_.OutDword(port, value);
}

uint32_t SimPortIo::InDword(uint16_t port) {
    ++reads_;
    const uint32_t value = machine_.InDword(port);
    accesses.emplace_back(port, value);
    return value;
}
