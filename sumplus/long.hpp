// Tokens too long to hold in the input's window, answered as they arrive.
//
// The answer to a long number changes only bytes near its end, found by the
// scan of rewrite.hpp from the right, and its front (a sign, or a leading
// '0' dropped); but which bytes, only the token's last byte tells. So its
// parts go as they arrive into a memory file, and then the answer is made
// from the file's end: the scan reads back from there as far as it goes, and
// the bytes it leaves as they are go out by sendfile(). The kernel copies
// each byte in and out; none lands in fresh memory of the process's own.
// Where no memory file can be made, or a file size limit is set, the token
// is held in the process's memory instead, with the same answer.
// Cost: O(length) copied by the kernel, the scan O(bytes it reads back);
// memory: 64 KiB of the process's own, the token in the memory file.
// Gain, against holding the token in the process's memory: one token of
// 10^8 digits takes 0.21x the time (0.124 s against 0.601 s; AMD EPYC family
// 26 model 2, Zen 5; docs/PERFORMANCE.md, "2026-12-09, second pass").
// Tested: against the straightforward design on tokens of every shape cut
// into parts of 16 bytes and more, kept either way; by fuzzing.
#pragma once

#include "input.hpp"
#include "output.hpp"

#include <span>

namespace sumplus {

// Where a long token is kept while it arrives.
enum class Keep { memory_file, memory };

// Answers the token whose first part is `first`, reading the rest from `in`.
void answer_long(io::Input& in, io::Output& out, std::span<char> first, Keep keep = Keep::memory_file);

}  // namespace sumplus
