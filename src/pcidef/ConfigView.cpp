// SPDX-License-Identifier: MIT
#include "pcidef/ConfigView.h"

namespace pcidef {

bool ConfigView::Readable(uint32_t offset, uint32_t width) const {
    if (width == 0 || offset > bytes_.size() || width > bytes_.size() - offset) return false;
    if (readable_.empty()) return true;
    for (uint32_t dword = offset / 4; dword <= (offset + width - 1) / 4; ++dword) {
        if (dword >= readable_.size() || readable_[dword] == 0) return false;
    }
    return true;
}

std::optional<uint32_t> ConfigView::Read(uint32_t offset, uint32_t width) const {
    if (width > 4 || !Readable(offset, width)) return std::nullopt;
    uint32_t value = 0;
    for (uint32_t i = 0; i < width; ++i)
        value |= static_cast<uint32_t>(bytes_[offset + i]) << (8 * i);
    return value;
}

}  // namespace pcidef
