// The short path of summinus, to be inlined in the token loop and in the
// block path, and the bytes that keep a block from those paths.
#pragma once

#include "loop.hpp"

#include <bit>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace summinus {

// The bytes of a block (`starts` marks those after whitespace) that keep
// its tokens from the lean and block paths: any but digits, '-' and
// whitespace, and whitespace right after whitespace. Blocks without them
// hold no sentinel and no token that begins with whitespace.
inline std::uint64_t unfit(const tokens::Bytes64& b, std::uint64_t starts)
{
    return ~(b.space | b.digit | b.minus) | (b.space & starts);
}

// lower_short() (see lower.hpp), inlined. A `vouched`
// token is known to begin with a byte other than whitespace and not to be
// the sentinel.
template <bool vouched = false>
[[gnu::always_inline]] inline char* lower_short_inlined(const char* t, std::size_t len, char* out)
{
#if defined(__SSE2__)
    const tokens::Bytes16 b = tokens::bytes16(t);
    const std::uint32_t in = (std::uint32_t{1} << (len & 31)) - 1;
    if constexpr (vouched) {
        if (len > 16) return nullptr;
    } else {
        // Declined, with one branch: a long token, one that begins with
        // whitespace, and the sentinel.
        std::uint32_t word;
        std::memcpy(&word, t, 4);
        const bool sentinel = (len == 3) & ((word & 0xffffff) == ('E' | 'N' << 8 | 'D' << 16));
        if ((len > 16) | ((b.space & in) != 0) | sentinel) return nullptr;
    }
    // Any byte but '0' is lowered, so any token will do. No branch on where
    // it lies: tokens come in random order.
    const std::uint32_t nonzero = ~b.zero & in;  // none: a token of zeros stays
    const auto i = nonzero != 0 ? static_cast<unsigned>(31 - std::countl_zero(nonzero)) : 16;
    const __m128i lower = _mm_load_si128(reinterpret_cast<const __m128i*>(tokens::lanes16.one[i]));  // -1 there
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                     _mm_add_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t)), lower));
    const std::size_t lone = (nonzero == 1) & (t[0] == '1');  // a lone leading 1: "0"
    const std::size_t n = len - (len - 1) * lone;             // arithmetic, not a branch
    out[n] = '\n';
    return out + n + 1;
#else
    (void)t, (void)len, (void)out;
    return nullptr;  // every token takes the general path
#endif
}

}  // namespace summinus
