// SPDX-License-Identifier: MIT
#include "memory/hexedit/PatternScan.h"

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

constexpr uint64_t kBlock = 64;

uint8_t FoldCase(uint8_t value) {
    return value >= 'A' && value <= 'Z' ? static_cast<uint8_t>(value + ('a' - 'A')) : value;
}

uint8_t OtherCase(uint8_t value) {
    if (value >= 'A' && value <= 'Z') return static_cast<uint8_t>(value + ('a' - 'A'));
    if (value >= 'a' && value <= 'z') return static_cast<uint8_t>(value - ('a' - 'A'));
    return value;
}

struct BlockRun {
    uint64_t found;  // a match, or kNone
    uint64_t next;   // where the blocks stopped: the tail starts here
};

// The loop every vector kernel shares. `candidates` gives, for the 64
// positions from p, bit i set when position p + i passes the filter; the
// blocks stop where a load would pass the last byte.
template <class Candidates, class Verify>
inline BlockRun RunBlocks(const uint8_t* bytes, uint64_t from, uint64_t positions,
                          uint64_t lastOffset, Candidates candidates, Verify verify) {
    uint64_t p = from;
    while (positions - p >= kBlock) {
        if (const uint64_t mask = candidates(bytes + p, bytes + p + lastOffset)) {
            const uint64_t found = verify(p, mask);
            if (found != PatternScan::kNone) return {found, p};
        }
        p += kBlock;
    }
    return {PatternScan::kNone, p};
}

}  // namespace

PatternScan::PatternScan(const std::vector<uint8_t>& pattern, bool exact)
    : pattern_(pattern), exact_(exact) {
    if (!exact_)
        for (uint8_t& byte : pattern_) byte = FoldCase(byte);
    const uint8_t first = pattern_.empty() ? 0 : pattern_.front();
    const uint8_t last = pattern_.empty() ? 0 : pattern_.back();
    first_[0] = first;
    last_[0] = last;
    first_[1] = exact_ ? first : OtherCase(first);
    last_[1] = exact_ ? last : OtherCase(last);
}

bool PatternScan::MatchesAt(const uint8_t* bytes) const {
    if (exact_) return std::memcmp(bytes, pattern_.data(), pattern_.size()) == 0;
    for (size_t i = 0; i < pattern_.size(); ++i)
        if (FoldCase(bytes[i]) != pattern_[i]) return false;
    return true;
}

uint64_t PatternScan::FirstVerified(const uint8_t* bytes, uint64_t at, uint64_t candidates) const {
    for (; candidates; candidates &= candidates - 1) {
        const uint64_t p = at + static_cast<uint64_t>(__builtin_ctzll(candidates));
        if (MatchesAt(bytes + p)) return p;
    }
    return kNone;
}

uint64_t PatternScan::NextPortable(const uint8_t* bytes, uint64_t count, uint64_t from) const {
    const uint64_t lastOffset = pattern_.size() - 1;
    for (uint64_t p = from; p + pattern_.size() <= count; ++p) {
        const uint8_t head = bytes[p];
        const uint8_t tail = bytes[p + lastOffset];
        if ((head == first_[0] || head == first_[1]) && (tail == last_[0] || tail == last_[1]) &&
            MatchesAt(bytes + p))
            return p;
    }
    return kNone;
}

#if defined(__x86_64__)
uint64_t PatternScan::NextSse2(const uint8_t* bytes, uint64_t count, uint64_t from) const {
    const __m128i first0 = _mm_set1_epi8(static_cast<char>(first_[0]));
    const __m128i first1 = _mm_set1_epi8(static_cast<char>(first_[1]));
    const __m128i last0 = _mm_set1_epi8(static_cast<char>(last_[0]));
    const __m128i last1 = _mm_set1_epi8(static_cast<char>(last_[1]));
    const BlockRun run = RunBlocks(
        bytes, from, count - pattern_.size() + 1, pattern_.size() - 1,
        [&](const uint8_t* heads, const uint8_t* tails) {
            uint64_t mask = 0;
            for (int i = 0; i < 4; ++i) {
                const __m128i head = _mm_loadu_si128(reinterpret_cast<const __m128i*>(heads) + i);
                const __m128i tail = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tails) + i);
                const __m128i both = _mm_and_si128(
                    _mm_or_si128(_mm_cmpeq_epi8(head, first0), _mm_cmpeq_epi8(head, first1)),
                    _mm_or_si128(_mm_cmpeq_epi8(tail, last0), _mm_cmpeq_epi8(tail, last1)));
                mask |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(both)))
                        << (16 * i);
            }
            return mask;
        },
        [&](uint64_t at, uint64_t mask) { return FirstVerified(bytes, at, mask); });
    return run.found != kNone ? run.found : NextPortable(bytes, count, run.next);
}

__attribute__((target("avx2"), flatten)) uint64_t PatternScan::NextAvx2(const uint8_t* bytes,
                                                                        uint64_t count,
                                                                        uint64_t from) const {
    const __m256i first0 = _mm256_set1_epi8(static_cast<char>(first_[0]));
    const __m256i first1 = _mm256_set1_epi8(static_cast<char>(first_[1]));
    const __m256i last0 = _mm256_set1_epi8(static_cast<char>(last_[0]));
    const __m256i last1 = _mm256_set1_epi8(static_cast<char>(last_[1]));
    auto half = [&](const uint8_t* heads, const uint8_t* tails) __attribute__((target("avx2"))) {
        const __m256i head = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(heads));
        const __m256i tail = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(tails));
        const __m256i both = _mm256_and_si256(
            _mm256_or_si256(_mm256_cmpeq_epi8(head, first0), _mm256_cmpeq_epi8(head, first1)),
            _mm256_or_si256(_mm256_cmpeq_epi8(tail, last0), _mm256_cmpeq_epi8(tail, last1)));
        return static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(both)));
    };
    const BlockRun run = RunBlocks(
        bytes, from, count - pattern_.size() + 1, pattern_.size() - 1,
        [&](const uint8_t* heads, const uint8_t* tails) __attribute__((target("avx2"))) {
            return half(heads, tails) | half(heads + 32, tails + 32) << 32;
        },
        [&](uint64_t at, uint64_t mask) { return FirstVerified(bytes, at, mask); });
    return run.found != kNone ? run.found : NextPortable(bytes, count, run.next);
}
#else
uint64_t PatternScan::NextSse2(const uint8_t* bytes, uint64_t count, uint64_t from) const {
    return NextPortable(bytes, count, from);
}

uint64_t PatternScan::NextAvx2(const uint8_t* bytes, uint64_t count, uint64_t from) const {
    return NextPortable(bytes, count, from);
}
#endif

bool PatternScan::Supported(Kernel kernel) {
#if defined(__x86_64__)
    return kernel != Kernel::Avx2 || __builtin_cpu_supports("avx2");
#else
    return kernel == Kernel::Portable;
#endif
}

uint64_t PatternScan::NextWith(Kernel kernel, const uint8_t* bytes, uint64_t count,
                               uint64_t from) const {
    if (from > count) return kNone;
    if (pattern_.empty()) return from;
    if (count - from < pattern_.size()) return kNone;
    switch (kernel) {
        case Kernel::Avx2:
            return NextAvx2(bytes, count, from);
        case Kernel::Sse2:
            return NextSse2(bytes, count, from);
        case Kernel::Portable:
            break;
    }
    return NextPortable(bytes, count, from);
}

uint64_t PatternScan::Next(const uint8_t* bytes, uint64_t count, uint64_t from) const {
    static const Kernel best = Supported(Kernel::Avx2)   ? Kernel::Avx2
                               : Supported(Kernel::Sse2) ? Kernel::Sse2
                                                         : Kernel::Portable;
    return NextWith(best, bytes, count, from);
}
