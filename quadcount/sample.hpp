// Where a count by slices cuts the value line: a sample of both sides, each
// point weighed by the time its values take, cut into stretches of about
// equal time, first into the parts of a split count and then each part's
// stretch into one a thread. The sample depends on the record and the number
// of parts alone, so every part cuts the line alike, whatever its threads.
// Cost: O(s) for s = 8 Ki to 32 Ki points a side (2,048 a part), sorted by
// radix.
// Tested: through the count by slices, split in up to 64 parts and on up to
// four threads, against brute force and the other methods; the parts' balance
// by bench/run.sh threads.
// Gain: the cut by sampled time, against equal stretches of the line, is what
// lets N threads or parts each take an Nth of the work (docs/PERFORMANCE.md,
// "threads and parts"); points as 8-byte keys drawn without a division,
// against 24-byte points, take a part of 64 of 4 x 32,000 wide from 43.1 ms
// to 41.9 ms of CPU time (AMD EPYC family 26 model 2, Zen 5); sorting them
// by radix rather than std::sort, and counting the heads near each point as
// a window moves rather than from a table of sums, from 44.9 ms to 43.0 ms
// (the mean over the 64 parts of medians of 3, in alternation, the machine
// running slow).
#pragma once

#include "sides.hpp"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quadcount::slices {

// A slice at most this many times as wide as its heads are many is counted
// by value, not by bins. Gain (AMD EPYC family 26 model 2, Zen 5, one
// thread): 4 x 32,000 wide values take 0.82x the time of bins (1.75 s
// against 2.13 s), 4 x 16,000 0.94x; 2 and 8 times as wide took 1.18x and
// 1.02x the time of 4 on 4 x 32,000.
constexpr std::size_t by_value_width = 4;

// The part of the value line where heads can pair with a tail: from the
// least head to the most that pairs with the least tail.
struct Line {
    std::int64_t lo, end;  // [lo, end)
    Line(const Side& heads, const Side& tails, std::int64_t Limit);
};

// Where on the line the values lie, from a sample: heads by value, tails by
// c = Limit - tail, each point standing for the same share of its side.
class Sample {
public:
    Sample(const Side& heads, const Side& tails, std::int64_t Limit, const Line& line, unsigned parts);

    // [lo, hi) cut into `pieces` stretches of about equal time: the
    // pieces + 1 boundaries, lo first and hi last.
    std::vector<std::int64_t> cut(std::int64_t lo, std::int64_t hi, std::size_t pieces) const;

    // Estimated values (heads and tails) in [lo, hi).
    double values(std::int64_t lo, std::int64_t hi) const;

private:
    // A point is a key: its place on the line times 2, plus 1 for a tail, so
    // that sorting the keys sorts the points by place, heads first. A place
    // is below 2^42 in size (a budget clamped to 2^40, less a tail).
    std::int64_t value(std::size_t i) const { return keys_[i] >> 1; }
    int side(std::size_t i) const { return static_cast<int>(keys_[i] & 1); }
    double weight(std::size_t i) const { return weight_[side(i)]; }
    std::size_t from(std::int64_t v) const;  // the first point at v or later

    template <class Place>
    void take(const Side& side, const Line& line, std::size_t m, Place place, int which);

    std::vector<std::int64_t> keys_;
    double weight_[2] = {0, 0};  // the values a head and a tail stand for
    std::vector<float> cost_;    // each point's weight in time
};

}  // namespace quadcount::slices
