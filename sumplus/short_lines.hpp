// The answer lines of the canonical numbers of at most four digits, made as
// the program compiles: short_lines[2 v] is the line of v, [2 v + 1] of -v.
#pragma once

#include <cstdint>

namespace sumplus {

struct ShortLine {
    char text[7];  // the line, its newline included
    std::uint8_t size;
};

extern const ShortLine* const short_lines;

}  // namespace sumplus
