// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// Opens one more memory-dump window showing a range of physical memory. The
// application implements it and hands it to the PCI window, which knows no
// other window kinds.
class MemoryDumpOpener {
  public:
    virtual ~MemoryDumpOpener() = default;
    virtual void OpenMemoryDump(uint32_t address, uint32_t size) = 0;
};
