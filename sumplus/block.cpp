// answer_block: the lines of every whole token of a block of 64 bytes, with
// 32-byte vectors, where each is a canonical number of at most four digits.
//
// For every byte i of the block at once: the index in the table of lines of
// the number that would end just before it (its digits back to the first
// byte that is not one, and a '-' before them), made from five loads of the
// block shifted by 1 to 5 bytes. A token's line is then one table load at
// the index of its whitespace byte and one 8-byte store. The block's own
// masks are made here too; a block that does not vouch for its tokens, or
// holds a longer number or a lone '-', is declined.
//
// Cost: about 150 vector and mask operations for the block, then 6 scalar
// ones a token. Gain, against the portable path (no block path), AMD EPYC family 26 model 2 (Zen 5), medians of 11 pairs in alternation:
// 0.73x the time on 10^7 numbers of 1-4 digits; 1.02x (noise) on numbers of
// 1-13 digits, which it mostly declines. Tested: the token tables and random blocks of test_digits.cpp, run
// on each path, against the straightforward design; and by the differential
// fuzz target.
#include "rewrite.hpp"
#include "lean.hpp"

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>

namespace sumplus {

namespace {

// 0xff at byte i where at[i - k] is a digit, and in `value` its value.
[[gnu::target("avx2")]] inline __m256i digits_back(const char* at, int k, __m256i& value)
{
    value = _mm256_sub_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at - k)), _mm256_set1_epi8('0'));
    return _mm256_cmpeq_epi8(_mm256_min_epu8(value, _mm256_set1_epi8(9)), value);
}

// Ten times each byte (below 26).
[[gnu::target("avx2")]] inline __m256i times_ten(__m256i v)
{
    const __m256i two = _mm256_add_epi8(v, v), four = _mm256_add_epi8(two, two);
    return _mm256_add_epi8(_mm256_add_epi8(four, four), two);
}

}  // namespace

[[gnu::target("avx2")]] char* answer_block_avx2(const char* block, std::ptrdiff_t from, char* out,
                                                 std::size_t& last_end, tokens::Bytes64& b)
{
    b = tokens::bytes64_avx2(block);
    const std::uint64_t follow = b.space << 1 | std::uint64_t{from == 0};  // bytes after whitespace
    std::uint64_t ends = b.space & ~follow;
    if (ends == 0 || unfit(b, follow) != 0) return nullptr;
    // No number of five digits or more, and no lone '-', up to the last
    // token's end; nor in the token that runs in (which is not a lone '-':
    // a '-' in the block's last byte is unfit).
    last_end = static_cast<std::size_t>(63 - std::countl_zero(ends));
    const std::uint64_t d = b.digit, before_last = ~std::uint64_t{0} >> (63 - last_end);
    if ((((d & d >> 1 & d >> 2 & d >> 3 & d >> 4) | (b.minus & ends >> 1)) & before_last) != 0) return nullptr;
    if (from < 0 && std::countr_zero(ends) - from - (block[from] == '-') > 4) return nullptr;
    // Up to 5 bytes before the first token are read as well: the one just
    // before it is whitespace, or one of the zero bytes before the input.
    alignas(32) std::uint16_t index[64];
    for (int half = 0; half < 2; ++half) {
        const char* at = block + 32 * half;
        __m256i d1, d2, d3, d4;
        const __m256i c1 = digits_back(at, 1, d1), c2 = _mm256_and_si256(c1, digits_back(at, 2, d2)),
                      c3 = _mm256_and_si256(c2, digits_back(at, 3, d3)),
                      c4 = _mm256_and_si256(c3, digits_back(at, 4, d4));
        // A '-' just before the digits ('-' is never a digit itself).
        const __m256i minus = _mm256_set1_epi8('-' - '0');
        const __m256i before = _mm256_sub_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at - 5)),
                                               _mm256_set1_epi8('0'));
        __m256i negative = _mm256_and_si256(c1, _mm256_cmpeq_epi8(d2, minus));
        negative = _mm256_or_si256(negative, _mm256_and_si256(c2, _mm256_cmpeq_epi8(d3, minus)));
        negative = _mm256_or_si256(negative, _mm256_and_si256(c3, _mm256_cmpeq_epi8(d4, minus)));
        negative = _mm256_or_si256(negative, _mm256_and_si256(c4, _mm256_cmpeq_epi8(before, minus)));
        // The two pairs of digits: twice the last pair plus the sign, and
        // twice the first pair; in byte order after the permute.
        const __m256i last_pair = _mm256_add_epi8(_mm256_and_si256(d1, c1), times_ten(_mm256_and_si256(d2, c2)));
        const __m256i first_pair = _mm256_add_epi8(_mm256_and_si256(d3, c3), times_ten(_mm256_and_si256(d4, c4)));
        const __m256i low = _mm256_permute4x64_epi64(
            _mm256_add_epi8(_mm256_add_epi8(last_pair, last_pair), _mm256_and_si256(negative, _mm256_set1_epi8(1))),
            0xd8);
        const __m256i high = _mm256_permute4x64_epi64(_mm256_add_epi8(first_pair, first_pair), 0xd8);
        // Each byte's line in the table: 2 (100 first + last) + sign.
        const __m256i weights = _mm256_set1_epi16(100 << 8 | 1);
        _mm256_store_si256(reinterpret_cast<__m256i*>(index + 32 * half),
                           _mm256_maddubs_epi16(_mm256_unpacklo_epi8(low, high), weights));
        _mm256_store_si256(reinterpret_cast<__m256i*>(index + 32 * half + 16),
                           _mm256_maddubs_epi16(_mm256_unpackhi_epi8(low, high), weights));
    }
    for (; ends != 0; ends &= ends - 1) {
        std::uint64_t a;
        std::memcpy(&a, &short_lines[index[std::countr_zero(ends)]], 8);
        std::memcpy(out, &a, 8);
        out += a >> 56;
    }
    return out;
}

}  // namespace sumplus

#else

namespace sumplus {

char* answer_block_avx2(const char*, std::ptrdiff_t, char*, std::size_t&, tokens::Bytes64&) { return nullptr; }

}  // namespace sumplus

#endif
