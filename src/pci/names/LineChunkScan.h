// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// Scans 64 bytes at a time for a line break followed by one of two letters
// (given in lower case, matched in either case), and watches for stretches
// of three chunks without any line break, where a line may reach 255 bytes.
struct LineChunkRun {
    enum Kind { Candidate, LongStretch, Tail } kind;
    const char* at;  // the candidate line start, the stretch start, or the tail
};

class LineChunkScan {
  public:
    LineChunkScan(char first, char second) : first_(first), second_(second) {}
    // From p up to the last 65 bytes before end.
    LineChunkRun Run(const char* p, const char* end) const;

    // Both kernels, for tests that check them against each other.
    LineChunkRun RunPortable(const char* p, const char* end) const;
#if defined(__x86_64__)
    LineChunkRun RunAvx2(const char* p, const char* end) const;
#endif

  private:
    char first_;
    char second_;
};
