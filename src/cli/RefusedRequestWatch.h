// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>

#include "platform/DeviceIo.h"

struct DriverRequest;

// A request the driver did not carry out, and the error it gave.
struct RefusedRequest {
    // 0 when the driver could not be opened at all.
    uint32_t code = 0;
    uint32_t configAddress = 0;
    uint16_t segment = 0;  // of the function configAddress names
    uint32_t physicalAddress = 0;
    uint32_t length = 0;
    uint32_t error = 0;
};

// Stands between a command's models and the driver while the command runs
// and keeps the first request the driver refused. A window leaves a refused
// read's value as it was and shows it; a command must not print it, so it
// asks here and fails instead.
class RefusedRequestWatch : public DeviceIo {
  public:
    // Refusals this says are answers rather than failures are not kept.
    using ExpectedRefusal = bool (*)(const RefusedRequest&);

    // In place of the current device I/O until destroyed.
    explicit RefusedRequestWatch(ExpectedRefusal expected = nullptr);
    ~RefusedRequestWatch() override;
    RefusedRequestWatch(const RefusedRequestWatch&) = delete;
    RefusedRequestWatch& operator=(const RefusedRequestWatch&) = delete;

    const std::optional<RefusedRequest>& FirstRefused() const { return first_; }

    DeviceHandle CreateFile(const std::string& path, uint32_t access, uint32_t shareMode,
                            uint32_t creation, uint32_t flags) override;
    bool DeviceIoControl(DeviceHandle handle, uint32_t code, void* inBuffer, uint32_t inSize,
                         void* outBuffer, uint32_t outSize, uint32_t* bytesReturned) override;
    bool CloseHandle(DeviceHandle handle) override;
    uint32_t GetLastError() override;

  private:
    void Keep(const RefusedRequest& refused);
    void KeepRefusedDword(const DriverRequest& record);
    // The requests that read many functions or pieces at once.
    static bool IsReadOfMany(uint32_t code);

    DeviceIo& driver_;
    DeviceIo* previous_;
    ExpectedRefusal expected_;
    std::optional<RefusedRequest> first_;
};
