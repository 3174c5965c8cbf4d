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

namespace io {

// One answer line: `head` then `rest`, then a newline.
struct Line {
    std::string_view head;
    std::string_view rest;
};

// Tells answer_tokens to read every token whole.
struct WholeTokens {};

// Bit masks of the first 16 bytes at p (bit i for p[i]): which are
// whitespace, and which are '0'. All 16 bytes must be readable.
struct Bytes16 {
    std::uint32_t space, zero;
};

inline Bytes16 bytes16(const char* p)
{
#if defined(__SSE2__)
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    auto bits = [](__m128i m) { return static_cast<std::uint32_t>(_mm_movemask_epi8(m)); };
    const __m128i from_tab = _mm_sub_epi8(v, _mm_set1_epi8('\t'));
    const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(from_tab, _mm_set1_epi8('\r' - '\t')), from_tab);  // \t to \r
    return {bits(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(' ')), control)),
            bits(_mm_cmpeq_epi8(v, _mm_set1_epi8('0')))};
#else
    Bytes16 b{};
    for (unsigned i = 0; i < 16; ++i) {
        auto c = static_cast<unsigned char>(p[i]);
        b.space |= std::uint32_t{is_space(c)} << i;
        b.zero |= std::uint32_t{c == '0'} << i;
    }
    return b;
#endif
}

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

// The tokens that end within a stretch of bytes, found a block of 64 bytes
// at a time: a bit mask of each block's whitespace gives every token's end
// at once, with no scan per token. Where each starts is found from where the
// one before ended: mostly the next byte, after one whitespace byte.
struct Tokens {
    static constexpr std::size_t bytes = 2048;      // the most a batch looks at
    static constexpr std::size_t most = bytes / 2;  // tokens it can hold
    std::uint32_t end[most];                        // the whitespace byte after each
    std::size_t count = 0;

    // The tokens of p[0, n), n <= bytes, that a whitespace byte ends; the byte
    // before p is whitespace, and 64 bytes past p + n are readable.
    void find(const char* p, std::size_t n)
    {
        std::size_t ends = 0;
        std::uint64_t before = 1;  // bit 0: the byte before the block is whitespace
        for (std::size_t base = 0; base < n; base += 64) {
            std::uint64_t space = 0;
            for (unsigned k = 0; k < 4; ++k) space |= std::uint64_t{bytes16(p + base + 16 * k).space} << (16 * k);
            if (n - base < 64) space &= (std::uint64_t{1} << (n - base)) - 1;
            std::uint64_t e = space & ~(space << 1 | before);  // whitespace after a token byte
            before = space >> 63;
            for (; e != 0; e &= e - 1) end[ends++] = static_cast<std::uint32_t>(base + std::countr_zero(e));
        }
        count = ends;
    }
};

// Writes rewrite(token) as a line for every token up to the end of input or
// the token "END", which ends the run unanswered; nothing after it is read.
// A token of at most 16 bytes goes first to fast(token, size, line), which
// writes its whole line at `line` (room for 32 bytes) and returns its end,
// or returns null to leave it to rewrite(); fast() may change the token, and
// read 16 bytes past its end. The tokens in hand are found a batch at a time
// and answered straight into the output buffer. With a `stream` other than
// WholeTokens, a token too long to hold (see Input::part; such a token is
// never the sentinel) is handed to stream(in, out, first_part) instead,
// which answers it as its parts arrive.
template <class Fast, class Rewrite, class Stream = WholeTokens>
void answer_tokens(Input& in, Output& out, Fast fast, Rewrite rewrite, Stream stream = {})
{
    // Answers one token at `at`, room for 32 bytes, when it has at most 16;
    // returns the end of its line, or null at the sentinel; else `at` itself
    // when the token was answered by out.line() (then `at` is no longer valid).
    auto answer = [&](char* token, std::size_t size, char* at) -> char* {
        if (size == 3 && std::memcmp(token, "END", 3) == 0) [[unlikely]]
            return nullptr;
        if (size <= 16) [[likely]] {
            if (char* end = fast(token, size, at)) return end;
        }
        Line line = rewrite(std::span<char>(token, size));
        if (size <= 16) {  // so no more than 2 + 16 + 1 bytes
            std::memcpy(at, "-1", 2);  // the head is "", "-" or "-1"
            at += line.head.size();
            std::memcpy(at, line.rest.data(), 16);  // 16 past the token are readable
            at[line.rest.size()] = '\n';
            return at + line.rest.size() + 1;
        }
        out.wrote(static_cast<std::size_t>(at - out.room(0)));
        out.line(line.head, line.rest);
        return at;
    };
    auto tokens = std::make_unique<Tokens>();
    for (;;) {
        // Tokens that end inside the bytes already read are answered in place...
        std::span<char> window = in.window();
        std::size_t done = 0;
        while (done < window.size()) {
            char* p = window.data() + done;
            tokens->find(p, std::min(Tokens::bytes, window.size() - done));
            if (tokens->count == 0) break;
            char* at = out.room(Tokens::bytes * 3);
            std::size_t start = 0;
            for (std::size_t k = 0; k < tokens->count; start = tokens->end[k++] + 1) {
                while (is_space(static_cast<unsigned char>(p[start]))) [[unlikely]]
                    ++start;  // more whitespace than one byte
                char* end = answer(p + start, tokens->end[k] - start, at);
                if (end == nullptr) {
                    out.wrote(static_cast<std::size_t>(at - out.room(0)));
                    return;
                }
                if (end == at) [[unlikely]]  // a long token, written by out.line()
                    end = out.room(Tokens::bytes * 3);
                at = end;
            }
            out.wrote(static_cast<std::size_t>(at - out.room(0)));
            done += tokens->end[tokens->count - 1] + 1;
        }
        in.consume(done);
        // ...and the one that may run on past them is read on.
        auto whole = [&](std::span<char> token) {
            char* at = out.room(32);
            char* end = answer(token.data(), token.size(), at);
            if (end != nullptr && end != at) out.wrote(static_cast<std::size_t>(end - at));
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
