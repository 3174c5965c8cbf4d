// The straightforward quadcount: std::cin-style extraction, four multisets,
// upper-bound cut-offs and one step per counted pick. Slow by design; it is
// the tests' oracle and the benchmark's baseline.
#pragma once

#include <cstdint>
#include <iosfwd>

namespace reference {

// Runs the record loop on `in`, writing lines to `out` (flushed per line).
// Returns false, having stopped early, if a record declares more than
// `max_elements` elements in all (the stepping design could not finish it).
bool quadcount(std::istream& in, std::ostream& out, std::int64_t max_elements = INT64_MAX);

}  // namespace reference
