// SPDX-License-Identifier: MIT
#pragma once

// The driver's request handling run inside the test process, as a DeviceIo
// double: requests reach a simulated machine without a socket or a daemon.
// Install with ScopedOverride<DeviceIo>.
//
//   auto driver = InProcessDriver::FromMachineJson(R"({"functions": [...]})");
//   ScopedOverride<DeviceIo> device(*driver);
//
// (Implemented with the driver's own request handler and the sim backend.)

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/DeviceIo.h"

class DriverBackend;

class InProcessDriver : public DeviceIo {
  public:
    explicit InProcessDriver(std::unique_ptr<DriverBackend> backend);
    ~InProcessDriver() override;

    // Fails the current test (and returns null) when the machine is malformed.
    static std::unique_ptr<InProcessDriver> FromMachineJson(const std::string& json);
    static std::unique_ptr<InProcessDriver> FromMachineFile(const std::string& path);

    // While absent, every open fails as when no driver runs.
    void SetPresent(bool present) { present_ = present; }
    int OpenCount() const { return openCount_; }
    // Addresses of the configuration reads served, in order.
    const std::vector<uint32_t>& ConfigReads() const { return configReads_; }
    // Register-0 addresses of the block reads served, in order.
    const std::vector<uint32_t>& BlockReads() const { return blockReads_; }
    // Codes of every request served, in order.
    const std::vector<uint32_t>& Codes() const { return codes_; }
    DriverBackend& Backend() { return *backend_; }

    DeviceHandle CreateFile(const std::string& path, uint32_t access, uint32_t shareMode,
                            uint32_t creation, uint32_t flags) override;
    bool DeviceIoControl(DeviceHandle handle, uint32_t code, void* inBuffer, uint32_t inSize,
                         void* outBuffer, uint32_t outSize, uint32_t* bytesReturned) override;
    bool CloseHandle(DeviceHandle handle) override;
    uint32_t GetLastError() override { return lastError_; }

  private:
    std::unique_ptr<DriverBackend> backend_;
    bool present_ = true;
    int openCount_ = 0;
    uint32_t lastError_ = 0;
    std::vector<uint32_t> configReads_;
    std::vector<uint32_t> blockReads_;
    std::vector<uint32_t> codes_;
};
