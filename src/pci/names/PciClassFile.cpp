// SPDX-License-Identifier: MIT
#include "pci/names/PciClassFile.h"

#include "pci/names/DescriptionIndexCache.h"
#include "pci/names/PciClassIndex.h"
#include "platform/MessageBox.h"

namespace {

using ClassCache = DescriptionIndexCache<PciClassIndex>;

ClassCache& Cache() {
    static ClassCache cache(kPciClassFileName);
    return cache;
}

}  // namespace

int LookupClassName(uint32_t classCode, std::string* name) {
    std::shared_ptr<const PciClassIndex> index;
    switch (Cache().Get(&index)) {
        case ClassCache::Status::Missing:
            return 0;
        case ClassCache::Status::ReadError:
            // The file is read whole before any line is looked at: one
            // message, and no line matches.
            ShowMessage(kDescriptionReadError);
            name->clear();
            return 1;
        case ClassCache::Status::Ok:
            break;
    }
    *name = index->ClassName(classCode);
    return 1;
}

void ForgetPciClassIndex() {
    Cache().Forget();
}
