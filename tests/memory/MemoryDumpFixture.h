// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "memory/dump/MemoryDumpHexWindow.h"
#include "memory/dump/MemoryDumpModel.h"
#include "memory/hexedit/HexEditModel.h"
#include "platform/DeviceIo.h"
#include "platform/Seam.h"
#include "protocol/DriverRequest.h"
#include "support/FakeSystemServices.h"
#include "support/HexDumpDirectory.h"
#include "support/InProcessDriver.h"
#include "support/MessageRecorder.h"

// Passes every request on to a simulated machine and notes the memory
// requests' code, address and length.
class MemoryRequestLog : public DeviceIo {
  public:
    struct Request {
        uint32_t code;
        uint32_t address;
        uint32_t length;
    };
    explicit MemoryRequestLog(DeviceIo& inner) : inner_(inner) {}
    std::vector<Request> requests;
    std::vector<Request> Writes() const {
        std::vector<Request> writes;
        for (const Request& r : requests)
            if (r.code == IOCTL_WRITE_PHYSICAL_MEMORY) writes.push_back(r);
        return writes;
    }

    DeviceHandle CreateFile(const std::string& path, uint32_t access, uint32_t shareMode,
                            uint32_t creation, uint32_t flags) override {
        return inner_.CreateFile(path, access, shareMode, creation, flags);
    }
    bool DeviceIoControl(DeviceHandle handle, uint32_t code, void* inBuffer, uint32_t inSize,
                         void* outBuffer, uint32_t outSize, uint32_t* bytesReturned) override {
        if ((code == IOCTL_READ_PHYSICAL_MEMORY || code == IOCTL_WRITE_PHYSICAL_MEMORY) &&
            inBuffer && inSize >= sizeof(DriverRequest)) {
            const auto* record = static_cast<const DriverRequest*>(inBuffer);
            requests.push_back(
                {code, static_cast<uint32_t>(record->PhysicalAddress), record->TransferLength});
        }
        return inner_.DeviceIoControl(handle, code, inBuffer, inSize, outBuffer, outSize,
                                      bytesReturned);
    }
    bool CloseHandle(DeviceHandle handle) override { return inner_.CloseHandle(handle); }
    uint32_t GetLastError() override { return inner_.GetLastError(); }

  private:
    DeviceIo& inner_;
};

// A machine with 0x100 counting bytes at 0xC0000 (read only) and 0x40
// writable zero bytes at 0x1000; temporary files in a private directory.
inline constexpr const char* kDumpMachine = R"({"functions": [], "memory": [
    {"base": "0xC0000", "size": "0x100", "hex": "COUNTING", "writable": false},
    {"base": "0x1000", "size": "0x40", "fill": "0x00"}]})";

class MemoryDumpTest : public testing::Test {
  protected:
    MemoryDumpTest();

    std::vector<uint8_t> PhysicalBytes(uint32_t address, uint32_t length);
    std::vector<std::string> Texts() const;
    // Hex window geometry, so that typing and searching have a page.
    void GiveWindowAPage();

    HexDumpDirectory dir;
    FakeSystemServices system;
    MessageRecorder messages;
    std::unique_ptr<InProcessDriver> driver;
    std::unique_ptr<MemoryRequestLog> log;
    HexEditModel hex;
    MemoryDumpHexModel window{hex};
    MemoryDumpModel model{window, "Memory1"};

  private:
    ScopedOverride<SystemServices> systemOverride_{system};
    ScopedOverride<MessageBoxService> messageOverride_{messages};
    std::unique_ptr<ScopedOverride<DeviceIo>> deviceOverride_;
};
