// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

// Writes `bytes` (a multiple of 4 MiB) of pseudo-random data, the same for
// every run, ending with `tail`; false when the disk refused or the
// benchmark was interrupted.
bool WriteRandomDataFile(const std::string& path, uint64_t bytes, const std::string& tail = {});
