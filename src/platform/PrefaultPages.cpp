// SPDX-License-Identifier: MIT
#include "platform/PrefaultPages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

void PrefaultForWriting(void* data, size_t size) {
    const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + page - 1) / page * page;
    const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + size) / page * page;
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
}
