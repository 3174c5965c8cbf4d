// Counting the picks that stay within a budget: the choice of method; see
// count.hpp.
#include "count.hpp"

#include "methods.hpp"
#include "parallel.hpp"
#include "sort.hpp"

#include <algorithm>
#include <bit>
#include <cmath>

namespace quadcount {

namespace {

// Heads and tails per slice of the slices method: its bins stay in the
// processor's second-level cache.
constexpr std::uint64_t slice_elements = std::uint64_t{1} << 17;

// Below this estimated cost (ns) a record is counted on one thread: starting
// threads would cost more than they save.
constexpr double worth_threads = 2e6;

// Estimated nanoseconds to make a side's histogram of transform length n:
// three transforms of n log n butterflies per prime, one prime per 2^31 of
// the bound on its entries, and a few passes over n.
double histogram_cost(const Side& side, std::size_t n)
{
    if (n == 0) return INFINITY;
    double bound = side.size();  // every entry is at most |rows| |cols|
    double primes = bound < 2e9 ? 1 : bound < 1.5e18 ? 2 : 3;
    return primes * double(n) * std::log2(double(n)) * 1.2 + double(n) * 8;
}

// The method `want`, or the cheapest one when `want` is `cheapest`.
Method choose(const Side& heads, const Side& tails, Method want, std::size_t heads_n, std::size_t tails_n,
              double& cost)
{
    double H = heads.size(), T = tails.size();
    double costs[] = {
        0,
        (H + T) * (3 + std::log2(H + T + 1) / 4),  // slices
        H * tails.lookup_cost() * 1.5,              // by_heads
        T * heads.lookup_cost() * 1.5,              // by_tails
        histogram_cost(heads, heads_n) + histogram_cost(tails, tails_n) + double(heads_n) * 2,
        histogram_cost(heads, heads_n) + T * 4,     // histogram_heads
        histogram_cost(tails, tails_n) + H * 4,     // histogram_tails
    };
    if (want == Method::cheapest || std::isinf(costs[static_cast<int>(want)])) {
        want = Method::slices;
        for (int m = 2; m < 7; ++m)
            if (costs[m] < costs[static_cast<int>(want)]) want = static_cast<Method>(m);
    }
    cost = costs[static_cast<int>(want)];
    return want;
}

}  // namespace

u128 count_picks(std::array<List, 4>& lists, std::int64_t Limit, const Tuning& tuning)
{
    // Every partial sum is below 2^35 in size, so a budget clamped to
    // +-2^40 decides every comparison alike, and Limit minus a sum cannot
    // overflow.
    Limit = std::clamp(Limit, -(std::int64_t{1} << 40), std::int64_t{1} << 40);
    for (auto& l : lists) {
        if (l.empty()) return 0;
        sort_ascending(l, tuning.sort_path);
    }
    for (auto& x : lists[3]) x = std::max(x, 0);
    Side heads(lists[0], lists[1], false), tails(lists[2], lists[3], true);

    std::size_t heads_n = histogram_length(heads, tuning.max_transform);
    std::size_t tails_n = histogram_length(tails, tuning.max_transform);
    double cost = 0;
    Method method = choose(heads, tails, tuning.method, heads_n, tails_n, cost);
    unsigned threads = tuning.threads != 0 ? tuning.threads : cost < worth_threads ? 1 : thread_count(0);

    switch (method) {
    case Method::by_heads: return count_by_lookup(heads, tails, Limit, threads);
    case Method::by_tails: return count_by_lookup(tails, heads, Limit, threads);
    case Method::histogram_heads: return count_by_lookup(tails, make_histogram(heads, threads), Limit, threads);
    case Method::histogram_tails: return count_by_lookup(heads, make_histogram(tails, threads), Limit, threads);
    case Method::histograms: {
        // A side takes about 20 bytes an entry while it is made, and keeps
        // 8; beyond 2^23 entries the sides are made in turn, to stay within
        // 512 MiB.
        Histogram h[2];
        unsigned sides = std::max(heads_n, tails_n) > (std::size_t{1} << 23) ? 1 : threads;
        parallel_for(2, sides, [&](std::size_t i) { h[i] = make_histogram(i == 0 ? heads : tails, 1); });
        return count_by_histograms(h[0], h[1], Limit);
    }
    default: {
        std::uint64_t slice = tuning.slice_elements != 0 ? tuning.slice_elements : slice_elements;
        // Stripes of a single thread may span the whole line; several
        // threads share several stripes each, to balance the load.
        auto most = static_cast<std::uint64_t>(std::max(heads.size(), tails.size()));
        std::uint64_t stripe = threads > 1 ? std::max(slice, most / (8 * std::uint64_t{threads})) : most;
        return count_by_slices(heads, tails, Limit, slice, stripe, threads, tuning.count_path);
    }
    }
}

}  // namespace quadcount
