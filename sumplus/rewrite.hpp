// predecessor: the largest integer below a decimal integer whose digit sum
// (sign not counted) is one greater, rewritten in place on its digit string.
//
// Non-negative N: scan from the right until the suffix has room for two more
// units of digit sum; lower the nearest non-zero digit left of it by one and
// refill everything to its right with the largest digits that bring the total
// to the old sum plus one (123 -> 115, 100 -> 020, printed 20). When no
// suffix has the room, the answer is negative (19 -> -29, 99 -> -199,
// 89 -> -99). Negative -x: raise the rightmost digit that is not 9 (-129 ->
// -139, -199 -> -299), or put a 1 in front of the digits when all are 9
// (-99 -> -199).
//
// Bytes are handled as signed 8-bit character codes: a digit's value is its
// code minus 48, raising or lowering a digit adds or subtracts 1 from its code,
// and no carry or borrow ever propagates, so any token, canonical or not,
// gets a defined answer. One leading '0' of the result is not printed.
//
// Cost: O(length), in place; no memory beyond the token. Positions and sums
// are 64-bit, so no length wraps. Tested exhaustively against a brute-force
// search for -100,000 <= N <= 1,000,000 and against the straightforward
// prefix-sum design on long and non-canonical tokens.
#pragma once

#include "long.hpp"
#include "loop.hpp"
#include "paths.hpp"
#include "invalid.hpp"

#include <algorithm>
#include <cstdint>
#include <span>

namespace sumplus {

// A byte's code as a signed 8-bit number, and a byte with `delta` added to
// its code modulo 256: the rules work on these.
constexpr std::int64_t code(char c) { return static_cast<signed char>(c); }
constexpr char bumped(char c, int delta) { return static_cast<char>(static_cast<unsigned char>(c) + delta); }

// The rules, over a token's bytes as at(i) gives the byte at i, for the
// in-memory rewrite and for a token kept in a memory file (long.cpp) alike.
//
// N >= 0 of `len` bytes: the scan from the right for the shortest suffix
// with room for two more units of digit sum (rozdil >= 2; `ukaz` then the
// nearest byte left of it that is not '0', the one to lower), or, where no
// suffix has the room, rozdil 0 or 1 and ukaz 0.
struct Room {
    std::int64_t ukaz;
    std::int64_t rozdil;            // room in the scanned suffix: sum of (9 - digit)
    std::int64_t zbytekNaDoplneni;  // the suffix's digit sum, plus 2: what the refill places
};
template <class At>
constexpr Room scan_for_room(std::int64_t len, At at)
{
    Room r{len - 1, 0, 2};
    while (r.rozdil <= 1 && r.ukaz > 0) {
        const std::int64_t c = code(at(r.ukaz));
        r.rozdil += '9' - c;
        r.zbytekNaDoplneni += c - '0';
        --r.ukaz;
    }
    if (r.rozdil >= 2)
        while (r.ukaz > 0 && at(r.ukaz) == '0') --r.ukaz;
    return r;
}

// The `after` bytes right of the lowered one, refilled to carry `sum`:
// `nines` 9s, then, where bytes are left, the digit that carries the rest
// and `zeros` 0s.
struct Refill {
    std::uint64_t nines;
    bool partial;
    char digit;
    std::uint64_t zeros;
};
constexpr Refill refill(std::uint64_t after, std::int64_t sum)
{
    const std::uint64_t nines = std::min<std::uint64_t>(after, sum > 8 ? static_cast<std::uint64_t>(sum - 9) / 9 + 1 : 0);
    if (nines == after) return {nines, false, 0, 0};
    sum -= 9 * static_cast<std::int64_t>(nines);
    return {nines, true, static_cast<char>(static_cast<std::uint64_t>('0' + sum) & 0xff), after - nines - 1};
}

// -x of `len` bytes: the rightmost byte that is not '9' (0, the '-', when
// every digit is 9).
template <class At>
constexpr std::int64_t last_not_nine(std::int64_t len, At at)
{
    std::int64_t ukaz = len - 1;
    while (ukaz > 0 && at(ukaz) == '9') --ukaz;
    return ukaz;
}

tokens::Line predecessor(std::span<char> number);

// The same answer for a canonical number t of at most four digits after an
// optional '-', len bytes and 4 more readable: its whole line written at out
// (8 bytes written at most), from a table made as this compiles. Returns the
// line's end, or null for any other token.
char* answer_short(const char* t, std::size_t len, char* out);

// The same for a number of at most 16 bytes, 16 readable, with vectors
// (see medium.hpp). Returns null for one whose answer changes its sign or
// grows, and for any other token.
char* answer_medium(const char* t, std::size_t len, char* out);

// Every token that ends in a block of 64 bytes, the one that runs in from
// `from` (<= 0) included, answered at once (see answer_tokens()), where the
// block vouches for them (see lean.hpp) and each is a number of at most four
// digits after an optional '-': their lines written at out (64 bytes more
// writable), `last_end` set to the block offset of the last token's
// whitespace, and their end returned. Otherwise null, with nothing written;
// also where the program was built without AVX2 (see paths.hpp).
char* answer_block_avx2(const char* block, std::ptrdiff_t from, char* out, std::size_t& last_end,
                        tokens::Bytes64& bytes);

// The whole filter: every token answered until END or the end of input. The
// first byte of an answer can depend on the last byte of its token, so every
// token is held whole: in the input's window, or, too long for it, where
// `keep` says (see long.hpp).
void run_on(tokens::Path path, io::Input& in, io::Output& out, Keep keep);
void run_on(tokens::Path path, io::Input& in, io::Output& out);  // long tokens in a memory file
void run(io::Input& in, io::Output& out);
// The same, each token that is not a canonical number told to `complaints`
// where they are on.
void run(io::Input& in, io::Output& out, io::Complaints& complaints);

}  // namespace sumplus
