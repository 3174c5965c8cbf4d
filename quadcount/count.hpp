// Counting the picks that stay within a budget.
#pragma once

#include "wide.hpp"

#include <array>
#include <cstdint>
#include <vector>

namespace quadcount {

using List = std::vector<std::int32_t>;

// Number of picks (x1, x2, x3, x4), one from each list in order, with
// x1 + x2, x1 + x2 + x3 and x1 + x2 + x3 + x4 all at most Limit. Equal values
// are distinct picks. The lists are sorted in place.
//
// The three conditions together say (x1 + x2) + max(0, x3, x3 + x4) <= Limit,
// so the count pairs a "head" sum from the first two lists with a "tail"
// from the last two. By shape, the cheapest of:
//   both sides built and sorted, then merged:  O(H log H + T log T);
//   every head against a walk of lists 3, 4:   O(H (|d| + |b|));
//   every tail against a walk of lists 1, 2:   O(T (|s| + |m|));
// with H = |s||m| and T = |d||b|. All sums are exact 64-bit values (|sum| < 2^34),
// so no budget near the 64-bit limits can overflow.
// Tested against a brute-force count of all picks and against the
// cut-off-and-step design on random records.
enum class Method { cheapest, merge, by_heads, by_tails };
u128 count_picks(std::array<List, 4>& lists, std::int64_t Limit, Method method = Method::cheapest);

}  // namespace quadcount
