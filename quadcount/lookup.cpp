// Counting by lookups: the number of pairs (v, w), v a value of the outer
// side and w of the inner, with v + w <= Limit, as the sum over v of the
// inner values at most Limit - v.
// Cost: |outer| lookups, of inner.lookup_cost() steps each for a Side (a
// binary search per row, or one walk of both lists) and one step for a
// Histogram; a row of the outer side stops at its first value that pairs
// with nothing. A share of a split count takes its part of the outer pairs
// in row order; its pairs are split evenly among the threads.
// Gain: the way for lopsided shapes: lists of 10^6, 10^6, 1 and 1 wide
// values take 0.008 s by tails, where slices are estimated at 2.5 hours
// (`bench-count --methods`, AMD EPYC family 26 model 2).
// Tested: by_heads, by_tails and both histogram variants against a
// brute-force count on random records, and against the other methods on
// longer lists, on one to four threads.
#include "methods.hpp"

#include "parallel.hpp"
#include "progress.hpp"

namespace quadcount {

template <class Inner>
u128 count_by_lookup(const Side& outer, const Inner& inner, std::int64_t Limit, Share share, unsigned threads,
                     Progress* progress)
{
    if (outer.empty()) return 0;
    const std::int64_t top = Limit - inner.min();  // larger outer values pair with nothing
    // The share's pairs: [first, first + pairs) in row order.
    const std::uint64_t width = outer.cols.size(), all = outer.rows.size() * width;
    const auto first = static_cast<std::uint64_t>(u128{all} * share.k / share.n);
    const std::uint64_t pairs = static_cast<std::uint64_t>(u128{all} * (share.k + 1) / share.n) - first;
    // 16 tasks a thread: a row stops at its first value above `top`, so
    // stretches of pairs cost unevenly, and a thread that ends early takes
    // another; a long count shows its progress a task at a time. Gain, 2
    // threads on 1.21 x 10^8 pairs by heads (AMD EPYC family 26 model 2,
    // medians of 3): one task a thread took 1.6x the time; 64 the same as 16.
    const std::uint64_t wanted = 16u * threads;
    const auto tasks = static_cast<std::size_t>(std::min<std::uint64_t>(pairs, wanted));
    if (tasks == 0) return 0;
    std::vector<u128> part(tasks);
    expect(progress, pairs);
    // Task t takes the pairs numbered first + [pairs t / tasks, pairs (t + 1)
    // / tasks) in row order; a row stops at its first value above `top`.
    parallel_for(tasks, threads, [&](std::size_t t) {
        auto from = first + static_cast<std::uint64_t>(u128{pairs} * t / tasks);
        auto to = first + static_cast<std::uint64_t>(u128{pairs} * (t + 1) / tasks);
        u128 n = 0;
        while (from < to) {
            std::int64_t x = outer.rows[from / width];
            std::uint64_t row_end = std::min(to, (from / width + 1) * width);
            std::size_t j = from % width, j_end = j + (row_end - from);
            for (; j < j_end; ++j) {
                std::int64_t v = outer.value(x, outer.cols[j]);
                if (v > top) break;
                n += inner.at_most(Limit - v);
            }
            from = row_end;
        }
        part[t] = n;
        advance(progress, to - first - static_cast<std::uint64_t>(u128{pairs} * t / tasks));
    });
    u128 total = 0;
    for (u128 n : part) total += n;
    return total;
}

template u128 count_by_lookup<Side>(const Side&, const Side&, std::int64_t, Share, unsigned, Progress*);
template u128 count_by_lookup<Histogram>(const Side&, const Histogram&, std::int64_t, Share, unsigned, Progress*);

}  // namespace quadcount
