// Reading list elements, on every core when there are many.
#pragma once

#include "types.hpp"

#include <cstddef>
#include <cstdint>

namespace io {
class Input;
}

namespace quadcount {

struct Parsing {
    unsigned threads = 0;                              // 0: all the machine has, for lists of 2^16 or more
    std::size_t split_bytes = std::size_t{256} << 10;  // input in hand worth parsing on every thread
};

// Appends up to `count` elements read from `in` to `list`, exactly as
// `count` calls of in.read(tmp) would, and returns how many it appended;
// fewer than `count` means a read failed, leaving `tmp` as that read did.
// A stretch of at least `split_bytes` in hand is cut at whitespace into one
// part per thread, and the parts' plain numbers (a sign and at most nine
// digits, then whitespace) are parsed at once; anything else, and whatever
// is left, goes through in.read().
// Tested: against in.read() alone on records with junk, out-of-range and long
// numbers, and truncation, with parts of every size; by fuzzing.
std::uint64_t read_elements(io::Input& in, List& list, std::uint64_t count, std::int32_t& tmp,
                            const Parsing& parsing = {});

}  // namespace quadcount
