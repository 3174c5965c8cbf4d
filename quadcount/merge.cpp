// Counting by merging sorted sides, a slice at a time.
//
// Write c = Limit - t for a tail t; a pair counts when head <= c. The value
// line is cut into slices [lo, hi). Heads in a slice pair with every tail
// whose c is at least hi (counted wholesale) and with the tails whose c falls
// in the same slice; those two runs are made as 32-bit offsets from lo,
// sorted and merged. In a sorted list the sums x + y of one row x form a
// contiguous run within any slice, found by two binary searches, so every
// value is made once and a slice costs its size plus O(|rows| log |cols|).
// A slice one value wide is counted without making its values, however many.
// Slices are handed to the threads in turn; each thread keeps two key arrays.
// Cost: O((H + T) log) for the sorts of H head and T tail values (vqsort),
// O(|rows| log |cols|) per slice per side, and a bisection of about 32
// counts per slice to place its end. Memory: 8 bytes per slice element per
// thread, within a fixed budget whatever the list sizes.
// Tested: against brute force with slices of 1 to 5 elements, so that a
// small record spans many slices, on one to three threads; by fuzzing with
// random slice sizes.
#include "methods.hpp"

#include "memory.hpp"
#include "parallel.hpp"
#include "sort.hpp"

#include <mutex>

namespace quadcount {

namespace {

// Slices are at most 2^32 values wide, so offsets from lo fit 32 bits.
constexpr std::int64_t widest = std::int64_t{1} << 32;

struct Slice {
    std::int64_t lo = 0, hi = 0;
    std::uint64_t heads = 0;  // head values in [lo, hi)
    std::uint64_t tails = 0;  // tails with c in [lo, hi)
    std::uint64_t above = 0;  // tails with c >= hi
};

// Cuts the head values that can pair with anything into consecutive slices
// of at most `cap` heads and `cap` tails each.
class Slicer {
public:
    Slicer(const Side& heads, const Side& tails, std::int64_t Limit, std::uint64_t cap)
        : heads_(heads), tails_(tails), Limit_(Limit), cap_(cap), lo_(heads.min()),
          end_(std::min(heads.max(), Limit - tails.min()) + 1), tails_from_lo_(tails.at_most(Limit - lo_))
    {
    }

    // The next slice, or false when every head value is covered.
    bool next(Slice& s)
    {
        if (lo_ >= end_) return false;
        std::int64_t good = lo_ + 1, bad = std::min(end_, lo_ + widest) + 1;
        if (fits(bad - 1))
            good = bad - 1;
        else if (fits(good))
            while (bad - good > 1) {
                std::int64_t mid = good + (bad - good) / 2;
                (fits(mid) ? good : bad) = mid;
            }
        // else one value holds more than cap of a side: a slice one wide
        s = measure(good);
        lo_ = good;
        heads_below_lo_ += s.heads;
        tails_from_lo_ = s.above;
        return true;
    }

private:
    Slice measure(std::int64_t hi) const
    {
        Slice s{lo_, hi, heads_.at_most(hi - 1) - heads_below_lo_, 0, tails_.at_most(Limit_ - hi)};
        s.tails = tails_from_lo_ - s.above;
        return s;
    }
    bool fits(std::int64_t hi) const
    {
        Slice s = measure(hi);
        return s.heads <= cap_ && s.tails <= cap_;
    }

    const Side &heads_, &tails_;
    std::int64_t Limit_;
    std::uint64_t cap_;
    std::int64_t lo_, end_;
    std::uint64_t heads_below_lo_ = 0, tails_from_lo_;
};

// A growable array of 32-bit keys that leaves its memory untouched until used.
struct Keys {
    BigArray<std::uint32_t> data;
    std::size_t capacity = 0, size = 0;

    void reset(std::uint64_t n)
    {
        if (n > capacity) data = big_array<std::uint32_t>(capacity = static_cast<std::size_t>(n));
        size = 0;
    }
    void push(std::int64_t offset) { data[size++] = static_cast<std::uint32_t>(offset); }
    std::span<std::uint32_t> span() { return {data.get(), size}; }
};

// Pairs within one slice: heads and tails made as offsets, sorted, merged.
u128 count_slice(const Side& heads, const Side& tails, std::int64_t Limit, const Slice& s, Keys& h, Keys& c)
{
    u128 n = u128{s.heads} * s.above;
    if (s.heads == 0 || s.tails == 0) return n;
    if (s.hi - s.lo == 1) return n + u128{s.heads} * s.tails;  // every such pair has head == c

    h.reset(s.heads);
    for (std::int64_t x : heads.rows) {
        if (x + heads.cols.front() >= s.hi) break;
        for (auto j = heads.in_row(x, s.lo - 1), end = heads.in_row(x, s.hi - 1); j < end; ++j)
            h.push(x + heads.cols[j] - s.lo);
    }
    c.reset(s.tails);
    for (std::int64_t x : tails.rows) {  // t in (Limit - hi, Limit - lo]
        for (auto j = tails.in_row(x, Limit - s.hi), end = tails.in_row(x, Limit - s.lo); j < end; ++j)
            c.push(Limit - tails.value(x, tails.cols[j]) - s.lo);
    }
    sort_ascending(h.span());
    sort_ascending(c.span());
    // Walk both in order; each c counts the heads before it. Which side steps
    // is data, not a branch: it would be mispredicted half the time.
    std::uint64_t within = 0;
    std::size_t i = 0, j = 0;
    while (i < h.size && j < c.size) {
        bool head = h.data[i] <= c.data[j];
        within += head ? 0 : i;
        i += head;
        j += !head;
    }
    return n + within + std::uint64_t{c.size - j} * i;
}

}  // namespace

u128 count_by_merge(const Side& heads, const Side& tails, std::int64_t Limit, std::uint64_t slice_elements,
                    unsigned threads)
{
    if (heads.empty() || tails.empty()) return 0;
    const std::uint64_t cap = std::max<std::uint64_t>(slice_elements, 1);
    Slicer slicer(heads, tails, Limit, cap);
    std::mutex taking;
    std::vector<u128> part(threads);
    parallel_for(threads, threads, [&](std::size_t worker) {
        Keys h, c;  // sized once for the largest slice, to spare page faults
        h.reset(std::min<std::uint64_t>(cap, static_cast<std::uint64_t>(heads.size())));
        c.reset(std::min<std::uint64_t>(cap, static_cast<std::uint64_t>(tails.size())));
        for (Slice s;;) {
            {
                std::lock_guard lock(taking);
                if (!slicer.next(s)) break;
            }
            part[worker] += count_slice(heads, tails, Limit, s, h, c);
        }
    });
    u128 total = 0;
    for (u128 n : part) total += n;
    return total;
}

}  // namespace quadcount
