// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>

// The whole pages of [data, data + size) made present for writing at once.
// A buffer of hundreds of pages filled a page at a time takes a fault on
// each, which costs more than filling it; where the kernel cannot do this,
// each page is faulted in as it is written, as before.
void PrefaultForWriting(void* data, size_t size);
