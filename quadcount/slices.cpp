// Counting by slices: both sides made a slice of the value line at a time,
// the heads of a slice sorted into bins and every tail looked up in them.
//
// Write c = Limit - t for a tail t; a pair counts when head <= c. The value
// line is cut by a sample of both sides (sample.hpp) into a stretch a part
// of a split count, and the part's stretch into one a thread, of about equal
// time, so the threads and the parts together do the work of one. A thread
// places its cursors once, at its stretch's start, and walks it in slices
// [lo, hi) of about `target` heads and tails, keeping for every row of each
// side the column where its values enter the next slice: values along a
// row are sorted, so every value is made once, by vector loads, compares
// and stores. Heads in a slice pair with every tail whose c is at least hi,
// counted wholesale, and with the tails whose c falls in the slice. A slice
// no more than by_value_width times as wide as its heads are many counts
// them at each value and sums the counts from the left, so each c reads
// its count at once, however many heads share a value. A wider one puts
// its heads into bins of equal width by a counting sort, a few to a bin,
// and each c counts the heads of the lower bins (one load) and those of
// its own bin that are at most c (one vector compare: heads of later bins
// are larger than c and never count). A bin holding more than a vector is
// sorted, and its compare goes on vector by vector while every lane
// counts. A slice that overflows is narrowed; one a single value wide is
// counted from the number of heads and tails at that value, however many.
// Cost: O(H + T) for the H heads and T tails in the stretch, plus O(rows)
// per slice and O(rows + cols) per thread, or O(rows log cols) where the
// rows are few; and the sample's, where the count is split. (Under
// callgrind, 64 threads take 1.9% more instructions than one on 4 x 16,000
// wide, and took 5.3% more with a bisection a row always.) Memory: up to 28
// bytes an element of twice the slice (room to overflow): a few MiB a
// thread, and 41 MiB at the peak for one thread on 4 x 128,000 (1 Mi slices).
// Vector paths: those of slice_kernels.hpp, the default unless forced.
// Gain: the way for wide values. One thread on 4 x 64,000 wide takes 4.6 s,
// where slices that each placed every row's cursor took 19.5 s, and 4 x
// 128,000 15 s; sorting the slices with vqsort and merging took 2.5-4x the
// time of the bins (docs/PERFORMANCE.md, "2026-12-10: parts, threads and
// large records" and "2026-12-10: slices past 4 x 64,000").
// Tested: against brute force with slices of one to five elements, on
// every vector path, one to three threads and split in up to 64 parts; against
// the other methods on longer lists; by fuzzing with random slice sizes.

#include "methods.hpp"
#include "parallel.hpp"
#include "progress.hpp"
#include "sample.hpp"
#include "slice_kernels.hpp"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace quadcount {

namespace slices {

// Slices are at most 2^31 - 1 values wide, so that offsets from lo and the
// padding value INT32_MAX compare as signed 32-bit numbers.
constexpr std::int64_t widest = INT32_MAX;

// A side's columns with `pad` values of slack at either end, for vector loads.
struct Padded {
    std::vector<std::int32_t> data;
    Grid grid;
    Padded(const Side& side, std::size_t pad)
        : data(side.cols.size() + 2 * pad, 0),
          grid{side.rows.data(), side.rows.size(), data.data() + pad, side.cols.size(), side.floored}
    {
        std::copy(side.cols.begin(), side.cols.end(), data.begin() + static_cast<std::ptrdiff_t>(pad));
        std::fill(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(pad), INT32_MIN);
        std::fill(data.end() - static_cast<std::ptrdiff_t>(pad), data.end(), INT32_MAX);
    }
};

// A walker's buffers: written before they are read, so not zeroed, and a
// record pays only for the pages it touches.
template <class T>
class Scratch {
public:
    explicit Scratch(std::size_t n) : p_(new T[n]) {}
    T* data() { return p_.get(); }

private:
    std::unique_ptr<T[]> p_;
};

// One thread's walk through stripes: its cursors and buffers.
class Walker {
public:
    Walker(const Side& heads, const Side& tails, const Grid& h, const Grid& t, std::int64_t Limit,
           std::uint64_t target, const Kernels& k, Progress* progress)
        : heads_(heads), tails_(tails), h_(h), t_(t), Limit_(Limit), progress_(progress),
          target_(std::max<std::uint64_t>(target, 1)),
          cap_(static_cast<std::size_t>(std::min<double>(2.0 * double(target_), std::max(heads.size(), tails.size())))),
          k_(k), per_bin_(std::max<std::size_t>(k.lanes / 4, 1)), hc_(h.n_rows), tc_(t.n_rows),
          made_(cap_ + 2 * k.lanes), binned_(by_value_width * cap_ + k.lanes), cs_(cap_ + 2 * k.lanes), start_(cap_ / per_bin_ + 3)
    {
    }

    // The pairs whose head lies in [lo, hi), the cursors placed once at lo;
    // `per_value` is the values a unit of the line holds there, about.
    u128 walk(std::int64_t lo, std::int64_t hi, double per_value)
    {
        if (lo >= hi) return 0;
        const std::uint64_t above = tails_.at_most(Limit_ - hi);
        const std::uint64_t from_lo = place(lo);
        if (from_lo == above) {
            // No tail has its c in the stretch: every head of it pairs with
            // every tail of a c above, and no value need be made.
            const std::uint64_t in = heads_.at_most(hi - 1) - heads_.at_most(lo - 1);
            advance(progress_, in);
            return u128{in} * above;
        }
        Walk w{from_lo, std::max(per_value, 1e-9), 0};
        while (lo < hi) {
            const std::int64_t width = std::clamp<std::int64_t>(std::llround(double(target_) / w.per_value), 1, widest);
            const std::int64_t next = std::min(hi, lo + width);
            std::size_t heads = make(lo, next, h_, hc_, k_.heads, made_, hfirst_, h_.n_rows);
            std::size_t tails = heads == SIZE_MAX ? SIZE_MAX : make(lo, next, t_, tc_, k_.tails, cs_, 0, tlast_);
            if (tails == SIZE_MAX) {
                lo = overflowed(lo, next, w);
                continue;
            }
            count_slice(lo, next, heads, tails, w);
            lo = next;
        }
        return w.n;
    }

private:
    // A walk's state: the tails with c at least the next slice's lo, the
    // values per unit of the line that its width aims at, and the count.
    struct Walk {
        std::uint64_t at_least;
        double per_value;
        u128 n;
    };

    // The slice [lo, hi) made: its heads pair with every tail of a higher c,
    // and with those in it as within() counts. Then the next slice is aimed
    // at `target` on the fuller side, its width changed by at most 2x.
    void count_slice(std::int64_t lo, std::int64_t hi, std::size_t heads, std::size_t tails, Walk& w)
    {
        w.at_least -= tails;
        w.n += u128{heads} * w.at_least + within(heads, tails, hi - lo);
        advance(progress_, heads + tails);
        while (hfirst_ < h_.n_rows && hc_[hfirst_] == h_.n_cols) ++hfirst_;  // rows done, in order
        while (tlast_ > 0 && tc_[tlast_ - 1] == 0) --tlast_;
        double seen = double(std::max<std::size_t>(heads, tails)) / double(hi - lo);
        w.per_value = std::clamp(seen, w.per_value / 2, w.per_value * 2);
    }

    // [lo, hi) held too many values to make: the walk starts again at lo
    // with the widest slice that fits, or, where even one value holds too
    // many, counts that value's pairs without making them and moves past it.
    // Returns where the walk goes on.
    std::int64_t overflowed(std::int64_t lo, std::int64_t hi, Walk& w)
    {
        const Edge edge{heads_.at_most(lo - 1), place(lo)};
        if (fits(edge, lo + 1)) {
            w.per_value = double(target_) / double(widest_fit(edge, lo, hi) - lo);
            return lo;
        }
        std::uint64_t h = heads_.at_most(lo) - edge.heads_before;
        std::uint64_t t = edge.tails_from - tails_.at_most(Limit_ - lo - 1);
        w.at_least -= t;
        w.n += u128{h} * (w.at_least + t);
        advance(progress_, h + t);
        place(lo + 1);
        return lo + 1;
    }

    // Where a slice starts: the heads before it, and the tails with c from it on.
    struct Edge {
        std::uint64_t heads_before, tails_from;
    };

    // Whether the slice from `edge` to hi holds at most cap_ heads and cap_ tails.
    bool fits(const Edge& edge, std::int64_t hi) const
    {
        return heads_.at_most(hi - 1) - edge.heads_before <= cap_ &&
               edge.tails_from - tails_.at_most(Limit_ - hi) <= cap_;
    }

    // The largest hi' in (lo, hi) with [lo, hi') fitting, [lo, lo + 1) known
    // to fit: all but the last value, where a slice most often overflows (the
    // tails floored at 0 all share the line's last value), else by bisection
    // on exact counts. Gain: the last of 8 parts of 4 x 32,000 wide spent 7%
    // of its time in 19 steps of bisection, and spends 1.9% now (perf, AMD
    // EPYC family 26 model 2, Zen 5).
    std::int64_t widest_fit(const Edge& edge, std::int64_t lo, std::int64_t hi) const
    {
        if (hi - 1 > lo && fits(edge, hi - 1)) return hi - 1;
        std::int64_t good = lo + 1, bad = hi - 1;
        while (bad - good > 1) {
            std::int64_t mid = good + (bad - good) / 2;
            (fits(edge, mid) ? good : bad) = mid;
        }
        return good;
    }

    // Cursors at lo: heads from their first value >= lo; tails up to their
    // last value <= Limit - lo (c >= lo). Returns the tails with c >= lo.
    std::uint64_t place(std::int64_t lo)
    {
        heads_.at_most_by_row(lo - 1, [&](std::size_t i, std::uint64_t n) { hc_[i] = static_cast<std::uint32_t>(n); });
        std::uint64_t at_least = 0;
        tails_.at_most_by_row(Limit_ - lo, [&](std::size_t i, std::uint64_t n) {
            tc_[i] = static_cast<std::uint32_t>(n);
            at_least += n;
        });
        hfirst_ = 0;
        tlast_ = t_.n_rows;
        return at_least;
    }

    std::size_t make(std::int64_t lo, std::int64_t hi, const Grid& g, std::vector<std::uint32_t>& cursor,
                     std::size_t (*kernel)(const KernelCall&), Scratch<std::int32_t>& buffer, std::size_t first,
                     std::size_t last)
    {
        return kernel(KernelCall{&g, Limit_, lo, hi, cursor.data(), first, last, buffer.data() + k_.lanes, cap_});
    }

    // Pairs within the slice: the heads binned, each c looked up.
    std::uint64_t within(std::size_t heads, std::size_t tails, std::int64_t width)
    {
        if (heads == 0 || tails == 0) return 0;
        const std::int32_t* made = made_.data() + k_.lanes;
        const std::int32_t* cs = cs_.data() + k_.lanes + cap_ - tails;
        if (static_cast<std::uint64_t>(width) <= by_value_width * heads) return by_value(made, heads, cs, tails, width);
        const auto span = static_cast<std::uint64_t>(width - 1);
        const std::uint64_t bins_wanted = std::max<std::uint64_t>(1, heads / per_bin_);
        int shift = 0;
        while ((span >> shift) >= bins_wanted) ++shift;
        const auto bins = static_cast<std::size_t>((span >> shift) + 1);
        std::uint32_t* start = start_.data();
        std::fill(start, start + bins + 2, 0u);
        for (std::size_t k = 0; k < heads; ++k) ++start[(static_cast<std::uint32_t>(made[k]) >> shift) + 2];
        for (std::size_t b = 2; b < bins + 2; ++b) start[b] += start[b - 1];
        std::int32_t* binned = binned_.data();
        for (std::size_t k = 0; k < heads; ++k) {
            std::int32_t v = made[k];
            binned[start[(static_cast<std::uint32_t>(v) >> shift) + 1]++] = v;
        }
        // Now bin b is binned[start[b], start[b + 1]).
        std::fill(binned + heads, binned + heads + k_.lanes, INT32_MAX);
        for (std::size_t b = 0; b < bins; ++b)
            if (start[b + 1] - start[b] > k_.lanes) std::sort(binned + start[b], binned + start[b + 1]);
        return k_.count_below(cs, tails, binned, start, shift);
    }

    // Pairs within a slice no wider than its heads: the heads counted at
    // each value, those counts summed from the left, and each c looks up
    // the heads at most it. No bin overflows however many heads share a
    // value.
    std::uint64_t by_value(const std::int32_t* made, std::size_t heads, const std::int32_t* cs, std::size_t tails,
                           std::int64_t width)
    {
        auto* at = reinterpret_cast<std::uint32_t*>(binned_.data());  // width <= 4 heads <= 4 cap_ entries
        const auto n = static_cast<std::size_t>(width);
        std::fill(at, at + n, 0u);
        for (std::size_t k = 0; k < heads; ++k) ++at[made[k]];
        std::uint32_t run = 0;
        for (std::size_t v = 0; v < n; ++v) at[v] = run += at[v];
        std::uint64_t total = 0;
        for (std::size_t k = 0; k < tails; ++k) total += at[cs[k]];
        return total;
    }

    const Side &heads_, &tails_;
    const Grid &h_, &t_;
    std::int64_t Limit_;
    Progress* progress_;
    std::uint64_t target_;
    std::size_t cap_;
    const Kernels& k_;
    std::size_t per_bin_;
    std::vector<std::uint32_t> hc_, tc_;  // per row, where the next slice begins (heads) or ends (tails)
    std::size_t hfirst_ = 0, tlast_ = 0;  // rows before hfirst_, and from tlast_ on, are done
    Scratch<std::int32_t> made_, binned_, cs_;
    Scratch<std::uint32_t> start_;
};

}  // namespace slices

std::vector<std::int64_t> slice_paths()
{
    std::vector<std::int64_t> paths;
    for (const slices::Kernels& k : slices::all_kernels()) paths.push_back(k.path);
    return paths;
}

u128 count_by_slices(const Side& heads, const Side& tails, std::int64_t Limit, std::uint64_t slice_elements,
                     Share share, unsigned threads, std::int64_t path, Progress* progress)
{
    using namespace slices;
    if (heads.empty() || tails.empty()) return 0;
    const Line line(heads, tails, Limit);
    if (line.lo >= line.end) return 0;
    const Kernels& k = kernels(path);
    const Padded h(heads, k.lanes), t(tails, k.lanes);
    threads = std::max(threads, 1u);
    // One thread of a whole count walks the line at once; otherwise a sample
    // cuts it into the parts and each part into a stretch a thread.
    std::vector<std::int64_t> at{line.lo, line.end};
    double values = heads.size() + tails.size();
    if (share.n > 1 || threads > 1) {
        const Sample sample(heads, tails, Limit, line, share.n);
        const std::vector<std::int64_t> parts = sample.cut(line.lo, line.end, share.n);
        at = sample.cut(parts[share.k], parts[share.k + 1], threads);
        values = sample.values(at.front(), at.back());
    }
    expect(progress, static_cast<std::uint64_t>(values));
    std::vector<u128> part(at.size() - 1);
    parallel_for(part.size(), threads, [&](std::size_t i) {
        Walker walker(heads, tails, h.grid, t.grid, Limit, slice_elements, k, progress);
        // Aimed at first as if the values spread evenly over the line.
        part[i] = walker.walk(at[i], at[i + 1], values / double(std::max<std::int64_t>(at.back() - at.front(), 1)));
    });
    u128 total = 0;
    for (u128 n : part) total += n;
    return total;
}

}  // namespace quadcount
