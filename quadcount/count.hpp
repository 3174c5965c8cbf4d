// Counting the picks that stay within a budget.
#pragma once

#include "budget.hpp"
#include "types.hpp"
#include "wide.hpp"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace quadcount {

// The ways to count (methods.hpp); `cheapest` lets count_picks choose.
//   slices:          both sides made a slice at a time, heads binned, tails looked up;
//   by_heads:        every head against a count of the tails;
//   by_tails:        every tail against a count of the heads;
//   histograms:      both sides as histograms, by convolution;
//   histogram_heads: every tail against the heads' histogram;
//   histogram_tails: every head against the tails' histogram.
enum class Method { cheapest, slices, by_heads, by_tails, histograms, histogram_heads, histogram_tails };

// One try at a count: the method, its threads, and the elements per slice
// (for slices).
struct Attempt {
    Method method;
    unsigned threads;
    std::uint64_t slice_elements;
};

struct Tuning {
    Method method = Method::cheapest;  // a histogram method whose side spreads too wide counts by `cheapest`
    std::uint64_t slice_elements = 0;  // per side and slice (about); 0: the default
    unsigned threads = 0;   // exactly this many; 0: as many as the record can use, up to `parallel`
    unsigned parallel = 0;  // the most threads; 0: as many as the process has CPUs (machine/cpus.hpp)
    std::size_t max_transform = std::size_t{1} << 24;  // the primes' limit: 64 MiB a prime
    std::int64_t sort_path = 0;   // vector path (a Highway target) for sorting the lists; 0: the fastest
    std::int64_t count_path = 0;  // vector path for counting by slices; 0: the widest
    std::uint64_t memory = 0;     // bytes the working arrays may take; 0: from budget.hpp
    std::uint64_t record = 0;     // the record's number, for a status line on a terminal; 0: none
    Share share{};                // this process's part of every count (count_ready() says how)
    double split_from = 8e6;      // a record is split among parts when a part's share costs this (ns)
    std::optional<Room> room{};   // the room the process has; none: read where the plan needs it
    std::function<void(const Attempt&)> attempting{};  // called before each try: tests make one run short here
};

// Number of picks (x1, x2, x3, x4), one from each list in order, with
// x1 + x2, x1 + x2 + x3 and x1 + x2 + x3 + x4 all at most Limit. Equal values
// are distinct picks. The lists are sorted in place, and negative elements of
// the fourth are raised to 0, which changes no count.
//
// The three conditions together say head + tail <= Limit, with
// head = x1 + x2 and tail = max(0, x3 + max(0, x4)); sides.hpp has the
// details. The cheapest method is chosen from the list sizes and the spread
// of their values, with costs estimated in nanoseconds on this project's
// machines (bench/run.sh measures them).
// Tested: every method against a brute-force count of all picks and against
// one another on random records; against the cut-off-and-step design through
// the record loop and by fuzzing.
u128 count_picks(std::array<List, 4>& lists, std::int64_t Limit, const Tuning& tuning = {});

// The parts of count_picks, for tests and benchmarks. prepare() makes the
// lists ready: sorted, the fourth list's negative elements raised to 0.
// Then, for ready lists, none of them empty: the count, each method's
// estimated cost in nanoseconds on one core (infinite where it cannot count
// the record), and the method the count takes.
struct Estimate {
    Method method;
    const char* name;
    double ns;
};
void prepare(std::array<List, 4>& lists, const Tuning& tuning = {});
u128 count_ready(const std::array<List, 4>& lists, std::int64_t Limit, const Tuning& tuning = {});
std::vector<Estimate> estimate(const std::array<List, 4>& lists, std::int64_t Limit, const Tuning& tuning = {});
Method chosen(const std::array<List, 4>& lists, std::int64_t Limit, const Tuning& tuning = {});
const char* method_name(Method method);

// Whether `t.share`'s answer for record `t.record`, whose lists have these
// sizes, is 0 whatever their elements: the record is too small to split,
// and another part counts it whole. Such a record's lists need only be read
// past.
bool goes_elsewhere(const std::array<std::uint64_t, 4>& sizes, const Tuning& t);

}  // namespace quadcount
