// Running a whole filter in memory, the way it runs on a pipe: the input
// arrives in pieces of `chunk` bytes and tokens of `part_limit` bytes or more
// count as too long to hold. Returns everything the filter wrote.
#pragma once

#include "input.hpp"
#include "output.hpp"

#include <string>
#include <string_view>

namespace testing_support {

template <class Program>
std::string run_in_memory(Program program, std::string_view text, std::size_t chunk,
                          std::size_t part_limit = std::size_t{1} << 20)
{
    std::string got;
    io::Output out(got);
    io::Input in(text, chunk);
    in.set_part_limit(part_limit);
    program(in, out);
    out.flush();
    return got;
}

}  // namespace testing_support
