// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdlib>

// What must hold for every input: a violation stops the run at once, so the
// fuzzer keeps the input that caused it.
inline void FuzzCheck(bool holds, const char* what, const char* file, int line) {
    if (holds) return;
    std::fprintf(stderr, "%s:%d: %s does not hold\n", file, line, what);
    std::abort();
}
#define FUZZ_CHECK(condition) FuzzCheck((condition), #condition, __FILE__, __LINE__)

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size);
