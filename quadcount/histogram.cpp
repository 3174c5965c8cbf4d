// Counting from histograms. A side's values are the sums of two lists, so
// their histogram is the convolution of the lists' histograms (for the tail,
// every value below 0 then counts as 0); running totals turn it into a table
// of "values at most v". Two such tables count the pairs in O(span).
// Cost: O(k n log n) per side, n the power of two at least the sum of its
// lists' value spreads, k <= 3 primes; O(n) memory per prime.
// Gain: the way for values that spread narrow: 4 lists of 10^6 in [0, 10^6]
// take 0.21 s by histograms, where slices are estimated at 9 hours and the
// lookups longer (`bench-count --methods`, AMD EPYC family 26 model 2).
// Tested: the counts against brute force and the other methods, and a bin of
// 9e12 equal heads.
#include "histogram.hpp"

#include "ntt.hpp"

#include <algorithm>
#include <bit>

namespace quadcount {

std::size_t histogram_length(const Side& side, std::size_t limit)
{
    if (side.empty() || side.cols.size() >= (std::size_t{1} << 32)) return 0;
    auto spread = [](Span l) { return std::int64_t{l.back()} - l.front() + 1; };
    std::int64_t len = spread(side.rows) + spread(side.cols) - 1;
    if (len > static_cast<std::int64_t>(limit)) return 0;
    return std::bit_ceil(static_cast<std::size_t>(len));
}

Histogram make_histogram(const Side& side, unsigned threads)
{
    auto bins = [](Span l) {  // l is sorted
        BigVector<std::uint32_t> h(static_cast<std::size_t>(std::int64_t{l.back()} - l.front() + 1));
        for (std::int32_t x : l) ++h[static_cast<std::size_t>(std::int64_t{x} - l.front())];
        return h;
    };
    Histogram h;
    h.upto = convolve(bins(side.rows), bins(side.cols), threads);
    for (std::size_t i = 1; i < h.upto.size(); ++i) h.upto[i] += h.upto[i - 1];
    h.low = std::int64_t{side.rows.front()} + side.cols.front();
    if (side.floored && h.low < 0) {  // every negative sum counts as 0
        auto first = std::min<std::int64_t>(-h.low, static_cast<std::int64_t>(h.upto.size()) - 1);
        h.upto.erase(h.upto.begin(), h.upto.begin() + first);
        h.low = std::max<std::int64_t>(0, h.low + first);
    }
    return h;
}

u128 count_by_histograms(const Histogram& heads, const Histogram& tails, std::int64_t Limit)
{
    u128 n = 0;
    std::uint64_t before = 0;
    for (std::size_t i = 0; i < heads.upto.size(); ++i) {
        std::uint64_t here = heads.upto[i] - before;
        before = heads.upto[i];
        std::int64_t room = Limit - (heads.low + static_cast<std::int64_t>(i));
        if (room < tails.low) break;  // and so for every larger head
        if (here != 0) n += u128{here} * tails.at_most(room);
    }
    return n;
}

}  // namespace quadcount
