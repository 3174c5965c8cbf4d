// Bit masks of a token stream's bytes, 16 or 64 at a time (bit i for byte
// i): which are whitespace, digits, '-' and '0'. The digit filters find their
// tokens, and vouch for them, from these.
#pragma once

#include "input.hpp"

#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace tokens {

using io::is_space;

// Whether this build has the 16-byte paths for short tokens (SSE2, on
// x86-64): summinus's short path and sumplus's for 5 to 16 bytes. Without
// them those tokens take the general path; sumplus still answers numbers of
// up to four digits from its table.
#if defined(__SSE2__)
inline constexpr bool short_vectors = true;
#else
inline constexpr bool short_vectors = false;
#endif

// Bit masks of the first 16 bytes at p (bit i for p[i]): which are
// whitespace, decimal digits, '-' and '0'. All 16 bytes must be readable.
// What a caller does not use costs nothing once inlined.
struct Bytes16 {
    std::uint32_t space, digit, minus, zero;
};

inline Bytes16 bytes16(const char* p)
{
#if defined(__SSE2__)
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    auto bits = [](__m128i m) { return static_cast<std::uint32_t>(_mm_movemask_epi8(m)); };
    auto in_range = [&](char low, char high) {  // low <= byte <= high, unsigned
        const __m128i from = _mm_sub_epi8(v, _mm_set1_epi8(low));
        return _mm_cmpeq_epi8(_mm_min_epu8(from, _mm_set1_epi8(static_cast<char>(high - low))), from);
    };
    return {bits(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(' ')), in_range('\t', '\r'))), bits(in_range('0', '9')),
            bits(_mm_cmpeq_epi8(v, _mm_set1_epi8('-'))), bits(_mm_cmpeq_epi8(v, _mm_set1_epi8('0')))};
#else
    Bytes16 b{};
    for (unsigned i = 0; i < 16; ++i) {
        auto c = static_cast<unsigned char>(p[i]);
        b.space |= std::uint32_t{is_space(c)} << i;
        b.digit |= std::uint32_t{c >= '0' && c <= '9'} << i;
        b.minus |= std::uint32_t{c == '-'} << i;
        b.zero |= std::uint32_t{c == '0'} << i;
    }
    return b;
#endif
}

// The same masks for the 64 bytes at p.
struct Bytes64 {
    std::uint64_t space, digit, minus, zero;
};

inline Bytes64 bytes64(const char* p)
{
    Bytes64 b{};
    for (unsigned k = 0; k < 4; ++k) {
        const Bytes16 part = bytes16(p + 16 * k);
        b.space |= std::uint64_t{part.space} << (16 * k);
        b.digit |= std::uint64_t{part.digit} << (16 * k);
        b.minus |= std::uint64_t{part.minus} << (16 * k);
        b.zero |= std::uint64_t{part.zero} << (16 * k);
    }
    return b;
}

#if defined(__x86_64__) && defined(__GNUC__)
// bytes64() with 32-byte vectors, for code built for AVX2.
[[gnu::target("avx2")]] inline Bytes64 bytes64_avx2(const char* p)
{
    Bytes64 b{};
    for (unsigned k = 0; k < 2; ++k) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * k));
        auto bits = [](__m256i m) __attribute__((target("avx2"))) {
            return std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(m))};
        };
        auto in_range = [&](char low, char high) __attribute__((target("avx2"))) {
            const __m256i from = _mm256_sub_epi8(v, _mm256_set1_epi8(low));
            return _mm256_cmpeq_epi8(_mm256_min_epu8(from, _mm256_set1_epi8(static_cast<char>(high - low))), from);
        };
        const __m256i space = _mm256_or_si256(_mm256_cmpeq_epi8(v, _mm256_set1_epi8(' ')), in_range('\t', '\r'));
        b.space |= bits(space) << (32 * k);
        b.digit |= bits(in_range('0', '9')) << (32 * k);
        b.minus |= bits(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('-'))) << (32 * k);
        b.zero |= bits(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('0'))) << (32 * k);
    }
    return b;
}
#endif

// For 16-byte vectors: one[i] has 0xff at byte i alone (i <= 16): cheaper
// to load than to make with SSE2.
struct Lanes16 {
    alignas(16) std::uint8_t one[17][16];
};
inline constexpr Lanes16 lanes16 = [] {
    Lanes16 l{};
    for (unsigned i = 0; i <= 16; ++i)
        for (unsigned k = 0; k < 16; ++k) l.one[i][k] = k == i ? 0xff : 0;
    return l;
}();

}  // namespace tokens
