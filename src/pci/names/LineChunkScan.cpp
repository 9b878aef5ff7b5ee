// SPDX-License-Identifier: MIT
#include "pci/names/LineChunkScan.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

constexpr int kChunk = 64;
constexpr int kChunksWithoutBreakLimit = 3;

// The loop both kernels share: `scan` fills the break flag and candidate mask
// of one chunk.
template <class ScanChunk>
inline LineChunkRun RunChunks(const char* p, const char* end, ScanChunk scan) {
    const char* stretch = nullptr;
    int chunksWithoutBreak = 0;
    while (end - p > kChunk) {
        bool anyBreak = false;
        uint64_t candidates = scan(p, &anyBreak);
        if (candidates) return {LineChunkRun::Candidate, p + __builtin_ctzll(candidates) + 1};
        if (anyBreak) {
            chunksWithoutBreak = 0;
        } else {
            if (chunksWithoutBreak++ == 0) stretch = p;
            if (chunksWithoutBreak == kChunksWithoutBreakLimit)
                return {LineChunkRun::LongStretch, stretch};
        }
        p += kChunk;
    }
    return {LineChunkRun::Tail, p};
}

}  // namespace

LineChunkRun LineChunkScan::RunPortable(const char* p, const char* end) const {
#if defined(__SSE2__)
    const __m128i lineBreak = _mm_set1_epi8('\n');
    const __m128i caseBit = _mm_set1_epi8(0x20);
    const __m128i first = _mm_set1_epi8(first_);
    const __m128i second = _mm_set1_epi8(second_);
    return RunChunks(p, end, [&](const char* chunk, bool* anyBreak) {
        __m128i breaksAny = _mm_setzero_si128();
        uint64_t candidates = 0;
        for (int i = 0; i < 4; ++i) {
            __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chunk + 16 * i));
            __m128i next = _mm_or_si128(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(chunk + 16 * i + 1)), caseBit);
            __m128i breaks = _mm_cmpeq_epi8(bytes, lineBreak);
            __m128i wanted =
                _mm_or_si128(_mm_cmpeq_epi8(next, first), _mm_cmpeq_epi8(next, second));
            breaksAny = _mm_or_si128(breaksAny, breaks);
            candidates |= static_cast<uint64_t>(static_cast<uint32_t>(
                              _mm_movemask_epi8(_mm_and_si128(breaks, wanted))))
                          << (16 * i);
        }
        *anyBreak = _mm_movemask_epi8(breaksAny) != 0;
        return candidates;
    });
#else
    return RunChunks(p, end, [&](const char* chunk, bool* anyBreak) {
        uint64_t candidates = 0;
        for (int i = 0; i < kChunk; ++i) {
            if (chunk[i] != '\n') continue;
            *anyBreak = true;
            char next = static_cast<char>(chunk[i + 1] | 0x20);
            if (next == first_ || next == second_) candidates |= uint64_t{1} << i;
        }
        return candidates;
    });
#endif
}

#if defined(__x86_64__)
__attribute__((target("avx2"), flatten)) LineChunkRun LineChunkScan::RunAvx2(
    const char* p, const char* end) const {
    const __m256i lineBreak = _mm256_set1_epi8('\n');
    const __m256i caseBit = _mm256_set1_epi8(0x20);
    const __m256i first = _mm256_set1_epi8(first_);
    const __m256i second = _mm256_set1_epi8(second_);
    return RunChunks(
        p, end, [&](const char* chunk, bool* anyBreak) __attribute__((target("avx2"))) {
            __m256i bytes0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(chunk));
            __m256i bytes1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(chunk + 32));
            __m256i next0 = _mm256_or_si256(
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(chunk + 1)), caseBit);
            __m256i next1 = _mm256_or_si256(
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(chunk + 33)), caseBit);
            __m256i breaks0 = _mm256_cmpeq_epi8(bytes0, lineBreak);
            __m256i breaks1 = _mm256_cmpeq_epi8(bytes1, lineBreak);
            __m256i wanted0 =
                _mm256_or_si256(_mm256_cmpeq_epi8(next0, first), _mm256_cmpeq_epi8(next0, second));
            __m256i wanted1 =
                _mm256_or_si256(_mm256_cmpeq_epi8(next1, first), _mm256_cmpeq_epi8(next1, second));
            __m256i candidates0 = _mm256_and_si256(breaks0, wanted0);
            __m256i candidates1 = _mm256_and_si256(breaks1, wanted1);
            __m256i breaks = _mm256_or_si256(breaks0, breaks1);
            *anyBreak = !_mm256_testz_si256(breaks, breaks);
            __m256i any = _mm256_or_si256(candidates0, candidates1);
            if (_mm256_testz_si256(any, any)) return uint64_t{0};
            return static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(candidates0))) |
                   static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(candidates1)))
                       << 32;
        });
}
#endif

LineChunkRun LineChunkScan::Run(const char* p, const char* end) const {
#if defined(__x86_64__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) return RunAvx2(p, end);
#endif
    return RunPortable(p, end);
}
