// The token loop shared by the digit-string filters.
#pragma once

#include "input.hpp"
#include "output.hpp"

#include <bit>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <string_view>
#include <type_traits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace io {

// Whether this build has the 16-byte paths for short tokens (SSE2, on
// x86-64); without them every token takes the general path.
#if defined(__SSE2__)
inline constexpr bool short_vectors = true;
#else
inline constexpr bool short_vectors = false;
#endif

// One answer line: `head` then `rest`, then a newline.
struct Line {
    std::string_view head;
    std::string_view rest;
};

// Tells answer_tokens to read every token whole.
struct WholeTokens {};

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

// Tells answer_tokens that there is no lean path (see there).
struct NoLean {};

// Writes rewrite(token) as a line for every token up to the end of input or
// the token "END", which ends the run unanswered; nothing after it is read.
// Every token goes first to fast(token, size, line), which writes its whole
// line at `line` (room for 32 bytes) and returns its end, or returns null to
// decline it. fast() may read 16 bytes from the token's start whatever its
// size, and may change the token. It must decline "END", and any token that
// begins with whitespace: the loop takes a token to start just after the
// whitespace byte that ended the one before, and where more whitespace
// follows, fast() sees it first. A declined token is answered by rewrite().
//
// A `lean` path other than NoLean has lean.unfit(bytes, starts): the bytes
// of a block (bytes64() of it; `starts` marks the bytes that follow
// whitespace) that make it unfit for lean(). Where neither a token's block
// nor its bytes before that block have an unfit byte, it goes to lean()
// instead of fast(): the same contract, with the block's checks taken as
// done, and Input::front bytes before the token readable.
//
// A lean path may also answer whole blocks: where lean.block is not null,
// each block of 64 bytes in hand whose token that runs into it has no unfit
// byte goes first to lean.block(block, from, line, last, bytes). `from` <= 0
// is where that token starts, relative to the block (0: the byte before the
// block ended a token). It sets `bytes` to bytes64(block), answers every
// token that ends in the block, sets `last` to the block offset of the
// whitespace after the last and returns the end of their lines at `line`
// (room for 64 bytes more than they take); or it returns null, keeping
// nothing it wrote, and the block goes on as above with those bytes.
//
// The tokens in hand are found a batch at a time and answered straight into
// the output buffer. With a `stream` other than WholeTokens, a token too long
// to hold (see Input::part; such a token is never the sentinel) is handed to
// stream(in, out, first_part) instead, which answers it as its parts arrive.
template <class Fast, class Rewrite, class Stream = WholeTokens, class Lean = NoLean>
void answer_tokens(Input& in, Output& out, Fast fast, Rewrite rewrite, Stream stream = {}, Lean lean = {})
{
    constexpr std::size_t batch_bytes = 2048;
    // A token that fast() declined, answered at `at` (room for 32 bytes): the
    // whitespace before it skipped, then the sentinel, which returns null. Else
    // returns the end of its line, or `at` itself when out.line() wrote a long
    // one (then `at` is no longer valid).
    auto declined = [&](char* token, std::size_t size, char* at) -> char* {
        for (; is_space(static_cast<unsigned char>(*token)); --size) ++token;  // a token byte ends it
        if (size == 3 && std::memcmp(token, "END", 3) == 0) return nullptr;
        if (size <= 16) {
            if (char* end = fast(token, size, at)) return end;
            Line line = rewrite(std::span<char>(token, size));  // so no more than 2 + 16 + 1 bytes
            std::memcpy(at, "-1", 2);                           // the head is "", "-" or "-1"
            at += line.head.size();
            std::memcpy(at, line.rest.data(), 16);  // 16 past the token are readable
            at[line.rest.size()] = '\n';
            return at + line.rest.size() + 1;
        }
        out.wrote(static_cast<std::size_t>(at - out.room(0)));
        Line line = rewrite(std::span<char>(token, size));
        out.line(line.head, line.rest);
        return at;
    };
    for (;;) {
        // Tokens that end inside the bytes already read are answered in place,
        // found 64 bytes at a time: each block's whitespace mask gives every
        // token's end at once, with no scan per token; each is taken to start
        // after the whitespace byte that ended the one before...
        std::span<char> window = in.window();
        char* p = window.data();
        std::size_t done = 0;      // where the next token starts, give or take whitespace
        std::uint64_t before = 1;  // bit 0: the byte before the block is whitespace
        std::uint64_t tainted = 0;  // the token that runs into the block has an unfit byte
        char* at = nullptr;
        // Answers the tokens that `ends` (bits after base) ends by answer();
        // false at the sentinel.
        auto take = [&](std::uint64_t ends, std::size_t base, auto answer) {
            for (; ends != 0; ends &= ends - 1) {
                const std::size_t end = base + static_cast<std::size_t>(std::countr_zero(ends));
                char* line = answer(p + done, end - done, at);
                if (line == nullptr) [[unlikely]] {
                    line = declined(p + done, end - done, at);
                    if (line == nullptr) return false;
                    if (line == at) line = out.room(batch_bytes * 3);  // a long token, by out.line()
                }
                at = line;
                done = end + 1;
            }
            return true;
        };
        for (std::size_t batch = 0; batch < window.size(); batch += batch_bytes) {
            // Every answer of a batch fits its room (tokens of up to 16 bytes
            // in place: at most 2 bytes for every byte read, and 64 more).
            at = out.room(batch_bytes * 3);
            const std::size_t last = std::min(batch + batch_bytes, window.size());
            for (std::size_t base = batch; base < last; base += 64) {
                Bytes64 bytes;
                bool have_bytes = false;
                if constexpr (!std::is_same_v<Lean, NoLean>) {
                    if (lean.block != nullptr && tainted == 0 && last - base >= 64) {
                        std::size_t end = 0;
                        const auto from = static_cast<std::ptrdiff_t>(done) - static_cast<std::ptrdiff_t>(base);
                        if (char* line = lean.block(p + base, from, at, end, bytes)) {
                            at = line;
                            done = base + end + 1;
                            before = end == 63;  // after it, a token's bytes: whitespace there is unfit
                            continue;
                        }
                        have_bytes = true;
                    }
                }
                if (!have_bytes) bytes = bytes64(p + base);
                std::uint64_t space = bytes.space;
                if (last - base < 64) space &= (std::uint64_t{1} << (last - base)) - 1;
                const std::uint64_t starts = space << 1 | before;
                const std::uint64_t ends = space & ~starts;  // whitespace after a token byte
                before = space >> 63;
                bool more = true;
                if constexpr (std::is_same_v<Lean, NoLean>) {
                    more = take(ends, base, fast);
                } else {
                    const std::uint64_t unfit = lean.unfit(bytes, starts);
                    more = (unfit | tainted) == 0 ? take(ends, base, lean) : take(ends, base, fast);
                    // Unfit bytes after the block's last token end (whitespace
                    // there included) go with the next token.
                    tainted = ends != 0 ? unfit >> (63 - std::countl_zero(ends)) >> 1 : tainted | unfit;
                }
                if (!more) {
                    out.wrote(static_cast<std::size_t>(at - out.room(0)));
                    return;
                }
            }
            out.wrote(static_cast<std::size_t>(at - out.room(0)));
        }
        in.consume(done);
        // ...and the one that may run on past them is read on.
        auto whole = [&](std::span<char> token) {
            char* room = out.room(32);
            char* end = fast(token.data(), token.size(), room);
            if (end == nullptr) end = declined(token.data(), token.size(), room);
            if (end != nullptr && end != room) out.wrote(static_cast<std::size_t>(end - room));
            return end != nullptr;
        };
        if constexpr (std::is_same_v<Stream, WholeTokens>) {
            std::span<char> token = in.token();
            if (token.empty() || !whole(token)) return;
        } else {
            bool more = false;
            std::span<char> token = in.part(more);
            if (more)
                stream(in, out, token);
            else if (token.empty() || !whole(token))
                return;
        }
    }
}

}  // namespace io
