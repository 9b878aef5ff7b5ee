#pragma once

#include <cstdint>
#include <string_view>

#if defined(__x86_64__)
#include <immintrin.h>
#define TARVOLENT_LINE_CHUNK_AVX2 1
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

// One 64-byte step of the line scan: whether p[0..63] holds a line break,
// and bit i set when p[i] is a line break and p[i + 1] is one of the
// lower-case `letters` (one or two) in either case. Reads p[0..64].
struct LineChunk {
    bool anyBreak;
    uint64_t candidates;
};

inline LineChunk ScanLineChunk(const char* p, std::string_view letters) {
#if defined(__SSE2__) || defined(TARVOLENT_LINE_CHUNK_AVX2)
    const __m128i lineBreak = _mm_set1_epi8('\n');
    const __m128i caseBit = _mm_set1_epi8(0x20);
    const __m128i first = _mm_set1_epi8(letters[0]);
    const __m128i second = _mm_set1_epi8(letters.size() > 1 ? letters[1] : letters[0]);
    __m128i breaksAny = _mm_setzero_si128();
    __m128i candidatesAny = _mm_setzero_si128();
    __m128i candidates[4];
    for (int i = 0; i < 4; ++i) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
        __m128i next = _mm_or_si128(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i + 1)), caseBit);
        __m128i breaks = _mm_cmpeq_epi8(bytes, lineBreak);
        __m128i wanted = _mm_or_si128(_mm_cmpeq_epi8(next, first), _mm_cmpeq_epi8(next, second));
        candidates[i] = _mm_and_si128(breaks, wanted);
        breaksAny = _mm_or_si128(breaksAny, breaks);
        candidatesAny = _mm_or_si128(candidatesAny, candidates[i]);
    }
    LineChunk chunk{_mm_movemask_epi8(breaksAny) != 0, 0};
    if (_mm_movemask_epi8(candidatesAny) != 0) {
        for (int i = 0; i < 4; ++i)
            chunk.candidates |=
                static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(candidates[i])))
                << (16 * i);
    }
    return chunk;
#else
    LineChunk chunk{false, 0};
    for (int i = 0; i < 64; ++i) {
        if (p[i] != '\n') continue;
        chunk.anyBreak = true;
        char next = static_cast<char>(p[i + 1] | 0x20);
        if (letters.find(next) != std::string_view::npos) chunk.candidates |= uint64_t{1} << i;
    }
    return chunk;
#endif
}

#if defined(TARVOLENT_LINE_CHUNK_AVX2)
// The same with 32-byte registers, for processors that have them.
__attribute__((target("avx2"))) inline LineChunk ScanLineChunkAvx2(const char* p,
                                                                 std::string_view letters) {
    const __m256i lineBreak = _mm256_set1_epi8('\n');
    const __m256i caseBit = _mm256_set1_epi8(0x20);
    const __m256i first = _mm256_set1_epi8(letters[0]);
    const __m256i second = _mm256_set1_epi8(letters.size() > 1 ? letters[1] : letters[0]);
    __m256i breaks[2], candidates[2];
    for (int i = 0; i < 2; ++i) {
        __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * i));
        __m256i next = _mm256_or_si256(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * i + 1)), caseBit);
        breaks[i] = _mm256_cmpeq_epi8(bytes, lineBreak);
        __m256i wanted =
            _mm256_or_si256(_mm256_cmpeq_epi8(next, first), _mm256_cmpeq_epi8(next, second));
        candidates[i] = _mm256_and_si256(breaks[i], wanted);
    }
    LineChunk chunk{!_mm256_testz_si256(_mm256_or_si256(breaks[0], breaks[1]),
                                        _mm256_or_si256(breaks[0], breaks[1])),
                    0};
    __m256i anyCandidate = _mm256_or_si256(candidates[0], candidates[1]);
    if (!_mm256_testz_si256(anyCandidate, anyCandidate)) {
        chunk.candidates =
            static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(candidates[0]))) |
            static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(candidates[1])))
                << 32;
    }
    return chunk;
}
#endif
