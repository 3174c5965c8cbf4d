// One differential fuzz target: arbitrary bytes go through a program's real
// parsing and output path, served in pieces whose size the input picks, and
// must come out exactly as from the straightforward design.
#pragma once

#include "input.hpp"
#include "output.hpp"

#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <sstream>
#include <string>
#include <string_view>

namespace fuzz {

// Runs `program` (the fast path) and `reference` (which may decline an input
// too large for it by returning false) on the same bytes; aborts on a
// difference.
template <class Program, class Reference>
int differential(const std::uint8_t* data, std::size_t size, Program program, Reference reference)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    std::size_t chunk = size == 0 ? 1 : 1 + data[0] % 23;
    std::size_t part_limit = size < 2 ? 16 : 16 + data[1] % 32;  // "long" tokens, made short

    std::string got;
    {
        io::Output out(got);
        io::Input in(text, chunk);
        in.set_part_limit(part_limit);
        program(in, out);
        out.flush();
    }
    std::istringstream in(text);
    std::ostringstream want;
    if (!reference(in, want)) return 0;
    if (got != want.str()) {
        std::fprintf(stderr, "output differs from the reference\n got: %s\nwant: %s\n",
                     got.c_str(), want.str().c_str());
        std::abort();
    }
    return 0;
}

}  // namespace fuzz
