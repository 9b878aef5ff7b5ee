// SPDX-License-Identifier: MIT
#include "support/InProcessDriver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "driver/DriverBackend.h"
#include "driver/RequestHandler.h"
#include "driver/SimBackend.h"
#include "pcidef/ConfigMechanism.h"
#include "protocol/DeviceWire.h"
#include "protocol/ErrorCodes.h"
#include "sim/MachineFileLoader.h"

namespace {

// The device paths the program opens: the driver, and the VxD on the 9x route.
bool IsDriverPath(const std::string& path) {
    return path == "\\\\.\\Borealix" || path == "\\\\.\\borexvxd.vxd";
}

std::unique_ptr<InProcessDriver> FromLoad(MachineLoad load) {
    if (!load.Ok()) {
        ADD_FAILURE() << load.error;
        return nullptr;
    }
    return std::make_unique<InProcessDriver>(std::make_unique<SimBackend>(std::move(load.machine)));
}

}  // namespace

InProcessDriver::InProcessDriver(std::unique_ptr<DriverBackend> backend)
    : backend_(std::move(backend)) {}

InProcessDriver::~InProcessDriver() = default;

std::unique_ptr<InProcessDriver> InProcessDriver::FromMachineJson(const std::string& json) {
    return FromLoad(MachineFileLoader::LoadText(json, "test machine"));
}

std::unique_ptr<InProcessDriver> InProcessDriver::FromMachineFile(const std::string& path) {
    return FromLoad(MachineFileLoader::Load(path));
}

DeviceHandle InProcessDriver::CreateFile(const std::string& path, uint32_t, uint32_t, uint32_t,
                                         uint32_t) {
    if (!present_ || !IsDriverPath(path)) {
        lastError_ = ERROR_FILE_NOT_FOUND;
        return INVALID_DEVICE_HANDLE;
    }
    ++openCount_;
    lastError_ = ERROR_SUCCESS;
    return openCount_;
}

bool InProcessDriver::DeviceIoControl(DeviceHandle handle, uint32_t code, void* inBuffer,
                                      uint32_t inSize, void* outBuffer, uint32_t outSize,
                                      uint32_t* bytesReturned) {
    if (handle <= 0 || handle > openCount_) {
        lastError_ = ERROR_INVALID_HANDLE;
        return false;
    }
    codes_.push_back(code);
    if (inBuffer && inSize >= sizeof(DriverRequest)) {
        const uint32_t address = static_cast<const DriverRequest*>(inBuffer)->ConfigAddress;
        if (code == IOCTL_READ_PCI_CONFIG) configReads_.push_back(address);
        if (code == IOCTL_READ_PCI_CONFIG_BLOCK) blockReads_.push_back(address);
        const auto* record = static_cast<const DriverRequest*>(inBuffer);
        for (uint32_t i = 0; code == IOCTL_READ_PCI_CONFIG_BLOCKS && i < record->FunctionCount &&
                             i < kMaxBlocksFunctions;
             ++i)
            blockReads_.push_back(config_mechanism::AddressOf(
                FunctionAddress::FromDevFn(record->BusNumbers[i], record->DevFns[i])));
    }
    DriverCall call{code, static_cast<const uint8_t*>(inBuffer), inSize,
                    static_cast<uint8_t*>(outBuffer), outSize};
    // In-process the record's UserBuffer is a real pointer of this process.
    // Reads land in a scratch buffer first, so a failure leaves it as it was.
    uint8_t* user = nullptr;
    std::vector<uint8_t> scratch;
    UserMemory userMemory = [&](uint64_t userBuffer, uint32_t length) {
        user = reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(userBuffer));
        if (wire::UserTransferOf(code) != wire::UserTransfer::FromDriver) return user;
        scratch.resize(length);
        return scratch.data();
    };
    lastError_ = RequestHandler(*backend_).Handle(call, userMemory);
    if (lastError_ == ERROR_SUCCESS && !scratch.empty()) {
        std::memcpy(user, scratch.data(), scratch.size());
    }
    if (bytesReturned) *bytesReturned = lastError_ == ERROR_SUCCESS ? outSize : 0;
    return lastError_ == ERROR_SUCCESS;
}

bool InProcessDriver::CloseHandle(DeviceHandle handle) {
    if (handle <= 0 || handle > openCount_) {
        lastError_ = ERROR_INVALID_HANDLE;
        return false;
    }
    return true;
}
