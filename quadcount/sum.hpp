// Adding up the answers of a count split into parts (quadcount --part=K/N):
// line i of every part belongs to record i, and the record's count is the
// sum of those lines.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace quadcount {

// What stops a sum: part `part` (from 0), its line `line` (from 1).
struct SumFault {
    std::size_t part;
    std::size_t line;
    std::string what;
};

// The line-by-line sums of `parts`, each text lines of decimal digits ended
// by a newline, exact at any length; or the first fault found: a line that
// is not a count, a text whose last line has no newline (a part cut short),
// or a part with fewer or more lines than the first (a part that stopped
// early). Cost: linear in the bytes. Tested: tests/unit/test_quadcount.cpp,
// against 128-bit sums and on each fault; tests/parts.sh, on real parts.
std::variant<std::string, SumFault> sum_parts(std::span<const std::string_view> parts);

}  // namespace quadcount
