// SPDX-License-Identifier: MIT
#include "pci/names/PciIdFile.h"

#include "pci/names/DescriptionIndexCache.h"
#include "pci/names/PciIdIndex.h"

namespace {

DescriptionIndexCache<PciIdIndex>& Cache() {
    static DescriptionIndexCache<PciIdIndex> cache(kPciIdFileName);
    return cache;
}

std::shared_ptr<const PciIdIndex> CurrentIndex() {
    std::shared_ptr<const PciIdIndex> index;
    Cache().Get(&index);
    return index;
}

}  // namespace

std::string LookupVendorName(uint32_t vendorId) {
    const auto index = CurrentIndex();
    return index ? index->VendorName(vendorId) : std::string();
}

std::string LookupDeviceName(uint32_t vendorId, uint32_t deviceId) {
    const auto index = CurrentIndex();
    return index ? index->DeviceName(vendorId, deviceId) : std::string();
}

void ForgetPciIdIndex() {
    Cache().Forget();
}
