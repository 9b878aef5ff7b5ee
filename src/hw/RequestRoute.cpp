// SPDX-License-Identifier: MIT
#include "hw/RequestRoute.h"

#include <cstring>

#include "hw/NtRequestRoute.h"
#include "hw/SystemFunctions.h"
#include "hw/Win9xRequestRoute.h"
#include "pcidef/ConfigMechanism.h"
#include "platform/Seam.h"
#include "protocol/DriverRequest.h"

namespace {

std::unique_ptr<RequestRoute>& Chosen() {
    static std::unique_ptr<RequestRoute> route = std::make_unique<NtRequestRoute>();
    return route;
}

}  // namespace

int RequestRoute::ReadConfigBlock(const FunctionAddress& function, uint32_t size, uint8_t* bytes,
                                  uint8_t* dwordRead) {
    for (uint32_t offset = 0; offset < size; offset += 4) {
        uint32_t value = 0;
        // Mechanism addresses name registers below 0x100 only.
        const int read = offset < config_mechanism::kRegisterSpace &&
                         ReadConfigDword(function.segment,
                                         config_mechanism::AddressOf(function, offset), &value);
        std::memcpy(bytes + offset, &value, sizeof(value));
        dwordRead[offset / 4] = read ? 1 : 0;
    }
    return 1;
}

int RequestRoute::ReadConfigBlocks(std::span<const FunctionAddress> functions, uint32_t size,
                                   uint8_t* blocks) {
    int all = 1;
    for (const FunctionAddress& function : functions) {
        if (!ReadConfigBlock(function, size, blocks, blocks + size)) {
            std::memset(blocks, 0, ConfigBlockLength(size));
            all = 0;
        }
        blocks += ConfigBlockLength(size);
    }
    return all;
}

int RequestRoute::ReadPhysicalGather(std::span<const uint32_t> addresses, uint32_t length,
                                     uint8_t* bytes, uint8_t* read) {
    for (size_t i = 0; i < addresses.size(); ++i) {
        uint8_t* piece = bytes + i * length;
        DriverRequest record{};
        record.TransferLength = length;
        record.PhysicalAddress = SignExtendAddress(addresses[i]);
        record.UserBuffer = reinterpret_cast<uintptr_t>(piece);
        read[i] = TransferMemory(IOCTL_READ_PHYSICAL_MEMORY, VXD_READ_PHYSICAL_MEMORY, &record)
                      ? 1
                      : 0;
        if (!read[i]) std::memset(piece, 0, length);
    }
    return 1;
}

RequestRoute& RequestRoute::Current() {
    return Seam<RequestRoute>::Current();
}

RequestRoute& RequestRoute::Native() {
    return *Chosen();
}

std::unique_ptr<RequestRoute> CreateRequestRoute(int windowsVersion) {
    if (IsWin9xFamily(windowsVersion)) return std::make_unique<Win9xRequestRoute>();
    return std::make_unique<NtRequestRoute>();
}

void ChooseRequestRoute() {
    Chosen() = CreateRequestRoute(ClassifyWindowsVersion());
}
