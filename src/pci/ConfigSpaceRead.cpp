// SPDX-License-Identifier: MIT
#include "pci/ConfigSpaceRead.h"

#include <algorithm>
#include <cstring>

#include "hw/DriverChannel.h"
#include "pcidef/ConfigMechanism.h"
#include "pcidef/ConfigRegisters.h"
#include "pcidef/ConfigWindow.h"
#include "protocol/DriverRequest.h"

namespace {

constexpr uint32_t kFallbackWindowBase = 0xE0000000u;
// The window's bases probed: 80000000, 90000000, ... F0000000.
constexpr uint32_t kFirstCandidate = 8;
constexpr uint32_t kLastCandidate = 15;

// Within 4 GiB, as the window's 32-bit addresses are.
uint32_t WindowOffset(const FunctionAddress& function) {
    return static_cast<uint32_t>(ConfigWindow::OffsetOf(function));
}

}  // namespace

ConfigSpaceRead ConfigSpaceRead::FromMechanism(const FunctionAddress& function, uint32_t size) {
    ConfigSpaceRead space;
    space.size = size;
    std::array<uint8_t, kMaxDwords> dwordRead{};
    if (ReadPciConfigBlock(function, space.size, reinterpret_cast<uint8_t*>(space.dwords.data()),
                           dwordRead.data())) {
        std::copy(dwordRead.begin(), dwordRead.begin() + size / 4, space.read.begin());
    }
    return space;
}

ConfigSpaceRead ConfigSpaceRead::FromWindow(uint32_t address) {
    ConfigSpaceRead space;
    space.size = pcireg::kExtendedConfigSize;
    if (ReadPhysicalMemory(address, space.dwords.data(), space.size)) space.read.fill(true);
    return space;
}

bool ConfigSpaceRead::ReadDword(uint32_t offset, uint32_t* value) const {
    return ReadBlockDword(reinterpret_cast<const uint8_t*>(dwords.data()), DwordsRead().data(),
                          size, offset, value);
}

bool ReadBlockDword(const uint8_t* bytes, const uint8_t* dwordRead, uint32_t size, uint32_t offset,
                    uint32_t* value) {
    const uint32_t dword = config_mechanism::RegisterOf(offset) / 4;
    if (dword >= size / 4 || !dwordRead[dword]) return false;
    std::memcpy(value, bytes + 4 * dword, sizeof *value);
    return true;
}

bool ConfigSpaceRead::Complete() const {
    return View().Complete();
}

uint32_t DetectMmioBase(const FunctionAddress& function, uint32_t identity) {
    const uint32_t offset = WindowOffset(function);
    for (uint32_t n = kFirstCandidate; n <= kLastCandidate; ++n) {
        const uint32_t candidate = n << 28;
        // A failed read leaves the probe value, which never equals an identity
        // read from a present function.
        uint32_t dword = ~identity;
        ReadPhysicalMemory(candidate + offset, &dword, 4);
        if (dword == identity) return candidate;
    }
    return kFallbackWindowBase;
}

std::vector<uint32_t> DetectMmioBases(std::span<const FunctionAddress> functions,
                                      std::span<const uint32_t> identities) {
    std::vector<uint32_t> bases(functions.size(), kFallbackWindowBase);
    std::vector<size_t> open(functions.size());
    for (size_t i = 0; i < open.size(); ++i) open[i] = i;
    for (uint32_t n = kFirstCandidate; n <= kLastCandidate && !open.empty(); ++n) {
        const uint32_t candidate = n << 28;
        std::vector<uint32_t> addresses;
        for (size_t i : open) addresses.push_back(candidate + WindowOffset(functions[i]));
        std::vector<uint32_t> dwords(open.size());
        std::vector<uint8_t> read(open.size());
        ReadPhysicalGather(addresses, 4, reinterpret_cast<uint8_t*>(dwords.data()), read.data());
        std::vector<size_t> still;
        for (size_t k = 0; k < open.size(); ++k) {
            if (read[k] && dwords[k] == identities[open[k]])
                bases[open[k]] = candidate;
            else
                still.push_back(open[k]);
        }
        open = std::move(still);
    }
    return bases;
}
