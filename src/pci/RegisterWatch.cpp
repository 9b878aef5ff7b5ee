// SPDX-License-Identifier: MIT
#include "pci/RegisterWatch.h"

#include <algorithm>

#include "pcidef/ConfigRegisters.h"

void RegisterWatch::Start() {
    active_ = true;
    started_ = false;
    changed_.clear();
}

void RegisterWatch::Stop() {
    active_ = false;
    started_ = false;
    changed_.clear();
}

RegisterWatch::Outcome RegisterWatch::Observe(uint64_t function, std::span<const uint32_t> dwords,
                                              std::span<const uint8_t> readable) {
    if (!active_) return Outcome::Same;
    const size_t count = std::min(dwords.size(), readable.size());
    if (!started_ || function != function_ || count != baseline_.size()) {
        started_ = true;
        function_ = function;
        baseline_.assign(dwords.begin(), dwords.begin() + static_cast<ptrdiff_t>(count));
        baselineReadable_.assign(readable.begin(),
                                 readable.begin() + static_cast<ptrdiff_t>(count));
        changed_.assign(count, 0);
        return Outcome::Started;
    }
    bool any = false;
    for (size_t i = 0; i < count; ++i) {
        const bool wasRead = baselineReadable_[i] != 0;
        const bool isRead = readable[i] != 0;
        changed_[i] = wasRead != isRead || (isRead && dwords[i] != baseline_[i]);
        any = any || changed_[i];
    }
    return any ? Outcome::Changed : Outcome::Same;
}

bool RegisterWatch::IsChanged(size_t dword) const {
    return dword < changed_.size() && changed_[dword] != 0;
}

bool RegisterWatch::Gone(std::span<const uint32_t> dwords, std::span<const uint8_t> readable) {
    const size_t count = std::min(dwords.size(), readable.size());
    for (size_t i = 0; i < count; ++i) {
        if (readable[i] && dwords[i] != pcireg::kAbsentDword) return false;
    }
    return true;
}
