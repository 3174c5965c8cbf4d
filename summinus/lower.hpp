// lower_rightmost: a decimal integer with its rightmost non-zero digit lowered
// by one, which for a positive N is the largest integer below N whose digit
// sum is one smaller (120 -> 110, 909 -> 908).
//
// When that leaves a single leading '1' turned '0' and nothing else non-zero,
// the answer is "0" (1, 10, 100 -> 0). A token of zeros stays as it is, and so
// do leading zeros (007 -> 006). Any byte other than '0' counts as non-zero
// and has its code lowered by one, the sign included (-10 -> -00).
//
// Cost: one right-to-left pass over the trailing zeros, in place. Tested
// exhaustively against a brute-force search for 1 <= N <= 1,000,000 and
// against the straightforward design on long and non-canonical tokens.
#pragma once

#include "loop.hpp"
#include "paths.hpp"
#include "invalid.hpp"

#include <span>

namespace summinus {

tokens::Line lower_rightmost(std::span<char> number);

// The same answer for a token t of len <= 16 bytes, 16 bytes from t
// readable: its whole line written at out (17 bytes written at most), the
// rightmost byte other than '0' found from a bit mask. Returns the line's
// end, or null for a longer token, one that begins with whitespace, "END",
// and every token where there is no SSE2.
char* lower_short(const char* t, std::size_t len, char* out);

// The same answer for a token too long to hold, written to `out` as its parts
// arrive from `in` (the first is `part`): the bytes before the last non-zero
// byte seen so far are final and leave at once; that byte and the zeros after
// it are held back as a byte and a count. Memory stays constant.
void lower_streaming(io::Input& in, io::Output& out, std::span<char> part);

// Every token that ends in a block of 64 bytes, the one that runs in from
// `from` (<= 0) included, answered at once (see answer_tokens()): their lines
// written at out (81 bytes written at most: 17 for the token that runs in,
// then the whole block), `last_end` set to the block
// offset of the last token's whitespace, and their end returned; null, with
// nothing written, to decline a block of other bytes than digits, '-' and
// single whitespace, one where an answer is shorter than its token (10 gives
// 0), and where the program was built without AVX2 (see paths.hpp).
char* lower_block_avx2(const char* block, std::ptrdiff_t from, char* out, std::size_t& last_end,
                       tokens::Bytes64& bytes);

// The whole filter: every token answered until END or the end of input, on
// tokens::best_path() or on `path` (one of tokens::paths()).
void run_on(tokens::Path path, io::Input& in, io::Output& out);
void run(io::Input& in, io::Output& out);
// The same, each token that is not a canonical positive number told to
// `complaints` where they are on.
void run(io::Input& in, io::Output& out, io::Complaints& complaints);

}  // namespace summinus
