// One differential fuzz target: arbitrary bytes go through a program's real
// parsing and output path, served in pieces whose size the input picks, and
// must come out exactly as from the straightforward design.
#pragma once

#include "in_memory.hpp"
#include "invalid.hpp"
#include "paths.hpp"

#include <cstdint>
#include <fcntl.h>
#include <cstdlib>
#include <cstdio>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

// Runs `program` (the fast path) and `reference` (which may decline an input
// too large for it by returning false) on the same bytes; aborts on a
// difference.
template <class Program, class Reference>
int differential(const std::uint8_t* data, std::size_t size, Program program, Reference reference)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    // Reads of a few bytes find the edges; a quarter of the inputs come in
    // one read, so that whole blocks of 64 bytes are in hand at once.
    std::size_t chunk = size == 0 ? 1 : data[0] % 4 == 0 ? 4096 : 1 + data[0] % 23;
    std::size_t part_limit = size < 2 ? 16 : 16 + data[1] % 32;  // "long" tokens, made short

    std::string got = testing_support::run_in_memory(program, text, chunk, part_limit);
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

// Complaints as --invalid=warn makes them, said to /dev/null: the checked
// reading, whose answers must be the same.
inline io::Complaints& checking()
{
    static io::Complaints complaints(io::Invalid::warn, "token", ::open("/dev/null", O_WRONLY | O_CLOEXEC));
    return complaints;
}

// A digit filter on the vector path that the input's third byte picks from
// those this processor has, or checked as --invalid=warn checks it.
inline auto on_a_path(const std::uint8_t* data, std::size_t size, void (*run_on)(tokens::Path, io::Input&, io::Output&),
                      void (*run_checked)(io::Input&, io::Output&, io::Complaints&))
{
    static const std::vector<tokens::Path> paths = tokens::paths();
    const std::size_t pick = size > 2 ? data[2] % (paths.size() + 1) : 0;
    return [=](io::Input& in, io::Output& out) {
        if (pick == paths.size()) return run_checked(in, out, checking());
        run_on(paths[pick], in, out);
    };
}

}  // namespace fuzz
