// Counting by slices: both sides made a slice of the value line at a time,
// the heads of a slice sorted into bins and every tail looked up in them.
//
// Write c = Limit - t for a tail t; a pair counts when head <= c. The value
// line is cut into stripes of at most a given number of heads and of tails
// (a bisection on exact counts), which the threads take in turn. A thread
// walks its stripe in slices [lo, hi) of about `target` heads and tails,
// keeping for every row of each side the column where its values enter the
// next slice: values along a row are sorted, so every value is made once,
// by vector loads, compares and stores. Heads in a slice pair with every
// tail whose c is at least hi, counted wholesale, and with the tails whose
// c falls in the slice: those heads are put into bins of equal width by a
// counting sort, a few to a bin, and each c counts the heads of the lower
// bins (one load) and those of its own bin that are at most c (one vector
// compare: heads of later bins are larger than c and never count). A bin
// holding more than a vector is sorted, and its compare goes on vector by
// vector while every lane counts. A slice that overflows is narrowed; one a
// single value wide is counted from the number of heads and tails at that
// value, however many.
// Cost: O(H + T) for the H heads and T tails in the stripes, plus O(rows)
// per slice and O(rows log cols) per stripe; no sort. Memory: up to 16
// bytes an element of twice the slice (room to overflow), a few MiB a thread.
// Vector paths: those of slice_kernels.hpp, the default unless forced.
// Tested: against brute force with slices of one to five elements and
// stripes of a few, on every vector path and one to three threads; against
// the other methods on longer lists; by fuzzing with random slice sizes.

#include "methods.hpp"
#include "parallel.hpp"
#include "progress.hpp"
#include "slice_kernels.hpp"

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <vector>

namespace quadcount {

namespace slices {

// Slices are at most 2^31 - 1 values wide, so that offsets from lo and the
// padding value INT32_MAX compare as signed 32-bit numbers.
constexpr std::int64_t widest = INT32_MAX;

// A stripe of the value line: [lo, hi), with its counts.
struct Stripe {
    std::int64_t lo = 0, hi = 0;
    std::uint64_t heads = 0;  // head values in [lo, hi)
    std::uint64_t tails = 0;  // tails with c in [lo, hi)
    std::uint64_t above = 0;  // tails with c >= hi
};

// Cuts the head values that can pair with anything into consecutive stripes
// of at most `cap` heads and `cap` tails each.
class Striper {
public:
    Striper(const Side& heads, const Side& tails, std::int64_t Limit, std::uint64_t cap)
        : heads_(heads), tails_(tails), Limit_(Limit), cap_(cap), lo_(heads.min()),
          end_(std::min(heads.max(), Limit - tails.min()) + 1), tails_from_lo_(tails.at_most(Limit - lo_))
    {
    }

    // The heads and tails that the stripes will hold, in all.
    std::uint64_t values() const
    {
        return heads_.at_most(end_ - 1) - heads_.at_most(lo_ - 1) + tails_from_lo_ - tails_.at_most(Limit_ - end_);
    }

    // The next stripe, or false when every head value is covered.
    bool next(Stripe& s)
    {
        if (lo_ >= end_) return false;
        std::int64_t good = lo_ + 1, bad = end_ + 1;
        if (fits(bad - 1))
            good = bad - 1;
        else if (fits(good))
            while (bad - good > 1) {
                std::int64_t mid = good + (bad - good) / 2;
                (fits(mid) ? good : bad) = mid;
            }
        // else one value holds more than cap of a side: a stripe one wide
        s = measure(good);
        lo_ = good;
        heads_below_lo_ += s.heads;
        tails_from_lo_ = s.above;
        return true;
    }

private:
    Stripe measure(std::int64_t hi) const
    {
        Stripe s{lo_, hi, heads_.at_most(hi - 1) - heads_below_lo_, 0, tails_.at_most(Limit_ - hi)};
        s.tails = tails_from_lo_ - s.above;
        return s;
    }
    bool fits(std::int64_t hi) const
    {
        Stripe s = measure(hi);
        return s.heads <= cap_ && s.tails <= cap_;
    }

    const Side &heads_, &tails_;
    std::int64_t Limit_;
    std::uint64_t cap_;
    std::int64_t lo_, end_;
    std::uint64_t heads_below_lo_ = 0, tails_from_lo_;
};

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
           std::uint64_t target, const Kernels& k)
        : heads_(heads), tails_(tails), h_(h), t_(t), Limit_(Limit),
          target_(std::max<std::uint64_t>(target, 1)),
          cap_(static_cast<std::size_t>(std::min<double>(2.0 * double(target_), std::max(heads.size(), tails.size())))),
          k_(k), per_bin_(std::max<std::size_t>(k.lanes / 4, 1)), hc_(h.n_rows), tc_(t.n_rows),
          made_(cap_ + 2 * k.lanes), binned_(cap_ + k.lanes), cs_(cap_ + 2 * k.lanes), start_(cap_ / per_bin_ + 3)
    {
    }

    // The pairs of the stripe `s` that count.
    u128 walk(const Stripe& s)
    {
        if (s.heads == 0 || s.tails == 0 || s.hi - s.lo == 1) return all_at_once(s);
        place(s.lo);
        Walk w{s.tails + s.above, double(std::max(s.heads, s.tails)) / double(s.hi - s.lo), 0};
        for (std::int64_t lo = s.lo; lo < s.hi;) {
            const std::int64_t width = std::clamp<std::int64_t>(std::llround(double(target_) / w.per_value), 1, widest);
            const std::int64_t hi = std::min(s.hi, lo + width);
            std::size_t heads = make(lo, hi, h_, hc_, k_.heads, made_, hfirst_, h_.n_rows);
            std::size_t tails = heads == SIZE_MAX ? SIZE_MAX : make(lo, hi, t_, tc_, k_.tails, cs_, 0, tlast_);
            if (tails == SIZE_MAX) {
                lo = overflowed(lo, hi, w);
                continue;
            }
            count_slice(lo, hi, heads, tails, w);
            lo = hi;
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

    // A stripe with no heads or no tails, or one value wide: every pair of
    // it counts, or none does, with no value made.
    u128 all_at_once(const Stripe& s)
    {
        progress::advance(s.heads + s.tails);
        if (s.heads == 0 || s.tails == 0) return u128{s.heads} * s.above;
        return u128{s.heads} * (s.tails + s.above);  // every such pair has head == c
    }

    // The slice [lo, hi) made: its heads pair with every tail of a higher c,
    // and with those in it as within() counts. Then the next slice is aimed
    // at `target` on the fuller side, its width changed by at most 2x.
    void count_slice(std::int64_t lo, std::int64_t hi, std::size_t heads, std::size_t tails, Walk& w)
    {
        w.at_least -= tails;
        w.n += u128{heads} * w.at_least + within(heads, tails, hi - lo);
        progress::advance(heads + tails);
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
        place(lo);
        std::int64_t fit = widest_fit(lo, hi);
        if (fit > lo + 1 || (fit == lo + 1 && fits(lo, fit))) {
            w.per_value = double(target_) / double(fit - lo);
            return lo;
        }
        std::uint64_t h = heads_.at_most(lo) - heads_.at_most(lo - 1);
        std::uint64_t t = tails_.at_most(Limit_ - lo) - tails_.at_most(Limit_ - lo - 1);
        w.at_least -= t;
        w.n += u128{h} * (w.at_least + t);
        progress::advance(h + t);
        place(lo + 1);
        return lo + 1;
    }

    // Whether [lo, hi) holds at most cap_ heads and cap_ tails.
    bool fits(std::int64_t lo, std::int64_t hi) const
    {
        return heads_.at_most(hi - 1) - heads_.at_most(lo - 1) <= cap_ &&
               tails_.at_most(Limit_ - lo) - tails_.at_most(Limit_ - hi) <= cap_;
    }

    // The largest hi' in (lo, hi) with [lo, hi') fitting, by bisection on
    // exact counts; lo + 1 when none does.
    std::int64_t widest_fit(std::int64_t lo, std::int64_t hi) const
    {
        std::int64_t good = lo + 1, bad = hi;
        while (bad - good > 1) {
            std::int64_t mid = good + (bad - good) / 2;
            (fits(lo, mid) ? good : bad) = mid;
        }
        return good;
    }

    // Cursors at lo: heads from their first value >= lo; tails up to their
    // last value <= Limit - lo (c >= lo).
    void place(std::int64_t lo)
    {
        for (std::size_t i = 0; i < h_.n_rows; ++i)
            hc_[i] = static_cast<std::uint32_t>(heads_.in_row(h_.rows[i], lo - 1));
        for (std::size_t i = 0; i < t_.n_rows; ++i)
            tc_[i] = static_cast<std::uint32_t>(tails_.in_row(t_.rows[i], Limit_ - lo));
        hfirst_ = 0;
        tlast_ = t_.n_rows;
    }

    std::size_t make(std::int64_t lo, std::int64_t hi, const Grid& g, std::vector<std::uint32_t>& cursor,
                     std::size_t (*kernel)(const Make&), Scratch<std::int32_t>& buffer, std::size_t first,
                     std::size_t last)
    {
        return kernel(Make{&g, Limit_, lo, hi, cursor.data(), first, last, buffer.data() + k_.lanes, cap_});
    }

    // Pairs within the slice: the heads binned, each c looked up.
    std::uint64_t within(std::size_t heads, std::size_t tails, std::int64_t width)
    {
        if (heads == 0 || tails == 0) return 0;
        const std::int32_t* made = made_.data() + k_.lanes;
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
        const std::int32_t* cs = cs_.data() + k_.lanes + cap_ - tails;
        return k_.count_below(cs, tails, binned, start, shift);
    }

    const Side &heads_, &tails_;
    const Grid &h_, &t_;
    std::int64_t Limit_;
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
                     std::uint64_t stripe_elements, unsigned threads, std::int64_t path)
{
    using namespace slices;
    if (heads.empty() || tails.empty()) return 0;
    const Kernels& k = kernels(path);
    const Padded h(heads, k.lanes), t(tails, k.lanes);
    Striper striper(heads, tails, Limit, std::max<std::uint64_t>(stripe_elements, 1));
    progress::expect(striper.values());
    std::mutex taking;
    std::vector<u128> part(threads);
    parallel_for(threads, threads, [&](std::size_t worker) {
        Walker walker(heads, tails, h.grid, t.grid, Limit, slice_elements, k);
        for (Stripe s;;) {
            {
                std::lock_guard lock(taking);
                if (!striper.next(s)) break;
            }
            part[worker] += walker.walk(s);
        }
    });
    u128 total = 0;
    for (u128 n : part) total += n;
    return total;
}

}  // namespace quadcount
