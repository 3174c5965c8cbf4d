// Short lists sorted in vector registers: the sorting network that Highway's
// vqsort ends in, compiled here for each vector path, for lists that it sorts
// whole (16 vectors' worth: 256 keys on AVX-512, 128 on AVX2, 64 on SSE4 and
// NEON). The library's own vqsort spends about 1.3 us a call before it sorts
// (it seeds its generator from the system), so it is kept for long lists.
// Cost: O(n log^2 n) compares, all in registers. Gain, against std::sort
// (AMD EPYC family 26 model 2, Zen 5, best of 5 over 80,000 lists): 20 keys
// 0.30x the time (0.09 against 0.31 us), 64 keys 0.09x, 128 keys 0.05x.
// Tested: against std::sort on every path and length up to its most, and
// through every count (test_quadcount.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quadcount {

struct ShortSort {
    std::int64_t path;                        // the Highway target
    std::size_t most;                         // the longest list it sorts
    void (*sort)(std::int32_t*, std::size_t);  // ascending, in place
};

// Those of every path this build has and the processor runs, widest first.
const std::vector<ShortSort>& short_sorts();

}  // namespace quadcount
