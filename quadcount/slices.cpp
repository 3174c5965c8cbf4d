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
// per slice and O(rows log cols) per stripe; no sort. Memory: about 14
// bytes per slice element per thread, a few MiB a thread.
// Vector paths: Highway's AVX-512, AVX2, SSE4 and scalar code from one
// source; the widest the processor has, unless forced. On 4 x 8,000 wide
// values, one thread, AMD EPYC family 25 model 17, medians in alternation:
// AVX-512 0.17 s (four heads a bin), AVX2 0.21 s (two), SSE4 0.35 s, scalar
// 1.0 s; slices of 64 Ki to 256 Ki values alike within the noise.
// Tested: against brute force with slices of one to five elements and
// stripes of a few, on every vector path and one to three threads; against
// the other methods on longer lists; by fuzzing with random slice sizes.

// Plain types, declared once however often Highway includes this file.
#ifndef QUADCOUNT_SLICES_TYPES
#define QUADCOUNT_SLICES_TYPES
#include "methods.hpp"

#include <cstddef>
#include <cstdint>

namespace quadcount::slices {

// One side's rows and their columns, the columns padded with `pad` readable
// values on either side, so that a vector load near either end stays within.
struct Grid {
    const std::int32_t* rows;
    std::size_t n_rows;
    const std::int32_t* cols;  // cols[-pad, n_cols + pad) may be read
    std::size_t n_cols;
    bool floored;
};

// What the vector kernels make and count, one call per slice and side.
struct Make {
    const Grid* grid;
    std::int64_t Limit, lo, hi;
    std::uint32_t* cursor;        // per row, where the slice's values begin (heads) or end (tails); moved on
    std::size_t first, last;      // the rows that may still hold values, [first, last)
    std::int32_t* out;            // room for `cap` offsets from lo, and `pad` more either side
    std::size_t cap;
};

}  // namespace quadcount::slices
#endif

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "slices.cpp"
#include <hwy/foreach_target.h>  // includes this file once per vector path

#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace quadcount::slices::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;
using D = hn::ScalableTag<std::int32_t>;

std::size_t LanesI32() { return hn::Lanes(D()); }

// The heads x + y in [lo, hi), as offsets from lo, into out[0, count).
// Returns the count, or SIZE_MAX when it would pass `cap`.
std::size_t MakeHeads(const Make& m)
{
    const D d;
    const std::size_t lanes = hn::Lanes(d);
    const Grid& g = *m.grid;
    std::size_t count = 0;
    for (std::size_t i = m.first; i < m.last; ++i) {
        const std::int64_t x = g.rows[i];
        std::uint32_t j = m.cursor[i];
        const std::int64_t most = m.hi - 1 - x;  // the largest column value in the slice
        if (most < g.cols[0]) break;             // and so for every later row
        const auto limit = hn::Set(d, static_cast<std::int32_t>(std::min<std::int64_t>(most, INT32_MAX)));
        const auto shift = hn::Set(d, static_cast<std::int32_t>(static_cast<std::uint32_t>(x - m.lo)));
        for (;;) {
            const auto y = hn::LoadU(d, g.cols + j);
            // Columns ascend, so the lanes within the slice come first.
            std::size_t k = std::min<std::size_t>(lanes - hn::CountTrue(d, hn::Gt(y, limit)), g.n_cols - j);
            hn::StoreU(hn::Add(y, shift), d, m.out + count);  // exact modulo 2^32: the offset is below 2^31
            count += k;
            j += static_cast<std::uint32_t>(k);
            if (count > m.cap) return SIZE_MAX;
            if (k < lanes) break;
        }
        m.cursor[i] = j;
    }
    return count;
}

// The tails t with c = Limit - t in [lo, hi), as offsets c - lo, into the
// `count` places below out + cap. Returns the count, or SIZE_MAX when it
// would pass `cap`.
std::size_t MakeTails(const Make& m)
{
    const D d;
    const std::size_t lanes = hn::Lanes(d);
    const Grid& g = *m.grid;
    const std::int64_t above = m.Limit - m.hi;  // a tail in the slice is above this, at most Limit - lo
    const auto base = hn::Set(d, static_cast<std::int32_t>(static_cast<std::uint32_t>(m.Limit - m.lo)));
    std::int32_t* top = m.out + m.cap;
    std::int32_t* p = top;
    for (std::size_t i = m.first; i < m.last; ++i) {
        const std::int64_t x = g.rows[i];
        std::uint32_t j = m.cursor[i];
        // Every value counts when it cannot be that low; else columns above `least`.
        const bool all = g.floored ? above < 0 : above - x < INT32_MIN;
        const std::int64_t least = above - x;
        if (!all && least >= g.cols[g.n_cols - 1]) {  // no value of this row reaches the slice yet
                continue;
        }
        const auto low = hn::Set(d, static_cast<std::int32_t>(std::max<std::int64_t>(least, INT32_MIN)));
        const auto row = hn::Set(d, static_cast<std::int32_t>(x));
        // x + y >= 0 exactly when y > -x - 1, which fits 32 bits.
        const auto negative = hn::Set(d, static_cast<std::int32_t>(-x - 1));
        while (j > 0) {
            const auto y = hn::LoadU(d, g.cols + j - lanes);
            // Columns ascend, so the lanes within the slice come last.
            std::size_t k = all ? lanes : hn::CountTrue(d, hn::Gt(y, low));
            k = std::min<std::size_t>(k, j);
            auto t = hn::Add(y, row);  // exact modulo 2^32
            if (g.floored) t = hn::IfThenElseZero(hn::Gt(y, negative), t);
            hn::StoreU(hn::Sub(base, t), d, p - lanes);
            p -= k;
            j -= static_cast<std::uint32_t>(k);
            if (static_cast<std::size_t>(top - p) > m.cap) return SIZE_MAX;
            if (k < lanes) break;
        }
        m.cursor[i] = j;
    }
    return static_cast<std::size_t>(top - p);
}

// The sum over the offsets c in cs of the heads at most c. The heads lie in
// bins of width 2^shift, bin b from start[b]; bins holding more than
// `group` heads are sorted, and heads[count, count + group) are INT32_MAX.
std::uint64_t CountBelow(const std::int32_t* cs, std::size_t n, const std::int32_t* heads,
                         const std::uint32_t* start, int shift)
{
    const D d;
    const std::size_t lanes = hn::Lanes(d);
    std::uint64_t total = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const std::int32_t c = cs[k];
        const std::uint32_t first = start[static_cast<std::uint32_t>(c) >> shift];
        const std::int32_t* q = heads + first;
        const auto v = hn::Set(d, c);
        std::size_t r = lanes - hn::CountTrue(d, hn::Gt(hn::LoadU(d, q), v));
        total += first + r;
        while (r == lanes) {  // a sorted bin: go on while every lane counts
            q += lanes;
            r = lanes - hn::CountTrue(d, hn::Gt(hn::LoadU(d, q), v));
            total += r;
        }
    }
    return total;
}

}  // namespace quadcount::slices::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
#include "parallel.hpp"
#include "progress.hpp"
#include "sort.hpp"

#include <algorithm>
#include <mutex>
#include <vector>

namespace quadcount {

namespace slices {

// One vector path's kernels.
struct Kernels {
    std::int64_t path;
    std::size_t (*heads)(const Make&);
    std::size_t (*tails)(const Make&);
    std::uint64_t (*count_below)(const std::int32_t*, std::size_t, const std::int32_t*, const std::uint32_t*, int);
    std::size_t lanes;
};

#define QUADCOUNT_KERNELS(ns, path) \
    Kernels { path, &ns::MakeHeads, &ns::MakeTails, &ns::CountBelow, ns::LanesI32() }
#define QUADCOUNT_STATIC_KERNELS                                                       \
    Kernels                                                                            \
    {                                                                                  \
        HWY_STATIC_TARGET, &HWY_STATIC_DISPATCH(MakeHeads), &HWY_STATIC_DISPATCH(MakeTails), \
            &HWY_STATIC_DISPATCH(CountBelow), HWY_STATIC_DISPATCH(LanesI32)()          \
    }

// The paths this build has kernels for and the processor runs, the one
// taken by default first: on x86-64 the widest.
const std::vector<Kernels>& all_kernels()
{
    static const std::vector<Kernels> all = [] {
        const std::int64_t have = processor_paths();
        std::vector<Kernels> k;
#if HWY_TARGETS & HWY_AVX3
        if (have & HWY_AVX3) k.push_back(QUADCOUNT_KERNELS(N_AVX3, HWY_AVX3));
#endif
#if HWY_TARGETS & HWY_AVX2
        if (have & HWY_AVX2) k.push_back(QUADCOUNT_KERNELS(N_AVX2, HWY_AVX2));
#endif
#if HWY_TARGETS & HWY_SSE4
        if (have & HWY_SSE4) k.push_back(QUADCOUNT_KERNELS(N_SSE4, HWY_SSE4));
#endif
        k.push_back(QUADCOUNT_STATIC_KERNELS);
        // On arm64 the static path is NEON, taken unless forced: no SVE path
        // has been timed on arm64 hardware, only tested under an emulator.
#if HWY_TARGETS & HWY_SVE2_128
        if (have & HWY_SVE2_128) k.push_back(QUADCOUNT_KERNELS(N_SVE2_128, HWY_SVE2_128));
#endif
#if HWY_TARGETS & HWY_SVE_256
        if (have & HWY_SVE_256) k.push_back(QUADCOUNT_KERNELS(N_SVE_256, HWY_SVE_256));
#endif
#if HWY_TARGETS & HWY_SVE2
        if (have & HWY_SVE2) k.push_back(QUADCOUNT_KERNELS(N_SVE2, HWY_SVE2));
#endif
#if HWY_TARGETS & HWY_SVE
        if (have & HWY_SVE) k.push_back(QUADCOUNT_KERNELS(N_SVE, HWY_SVE));
#endif
        return k;
    }();
    return all;
}

const Kernels& kernels(std::int64_t path)
{
    for (const Kernels& k : all_kernels())
        if (path == 0 || k.path == path) return k;
    return all_kernels().back();
}

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

// One thread's walk through stripes: its cursors and buffers.
class Walker {
public:
    Walker(const Side& heads, const Side& tails, const Grid& h, const Grid& t, std::int64_t Limit,
           std::uint64_t target, const Kernels& k)
        : heads_(heads), tails_(tails), h_(h), t_(t), Limit_(Limit), target_(std::max<std::uint64_t>(target, 1)),
          cap_(static_cast<std::size_t>(std::min<double>(2.0 * double(target_), std::max(heads.size(), tails.size())))), k_(k), per_bin_(std::max<std::size_t>(k.lanes / 4, 1)), hc_(h.n_rows), tc_(t.n_rows),
          made_(cap_ + 2 * k.lanes), binned_(cap_ + k.lanes), cs_(cap_ + 2 * k.lanes), start_(cap_ / per_bin_ + 3)
    {
    }

    u128 walk(const Stripe& s)
    {
        if (s.heads == 0 || s.tails == 0 || s.hi - s.lo == 1) {
            progress::advance(s.heads + s.tails);
            if (s.heads == 0 || s.tails == 0) return u128{s.heads} * s.above;
            return u128{s.heads} * (s.tails + s.above);  // every such pair has head == c
        }
        place(s.lo);
        std::uint64_t at_least = s.tails + s.above;  // tails with c >= lo
        double per_value = double(std::max(s.heads, s.tails)) / double(s.hi - s.lo);
        u128 n = 0;
        for (std::int64_t lo = s.lo; lo < s.hi;) {
            const std::int64_t width = std::clamp<std::int64_t>(std::llround(double(target_) / per_value), 1, widest);
            const std::int64_t hi = std::min(s.hi, lo + width);
            std::size_t heads = make(lo, hi, h_, hc_, k_.heads, made_, hfirst_, h_.n_rows);
            std::size_t tails = heads == SIZE_MAX ? SIZE_MAX : make(lo, hi, t_, tc_, k_.tails, cs_, 0, tlast_);
            if (tails == SIZE_MAX) {  // too many: start again at the widest slice that fits
                place(lo);
                std::int64_t fit = widest_fit(lo, hi);
                if (fit > lo + 1 || (fit == lo + 1 && fits(lo, fit))) {
                    per_value = double(target_) / double(fit - lo);
                    continue;
                }
                // Too many at one value: count them, do not make them.
                std::uint64_t h = heads_.at_most(lo) - heads_.at_most(lo - 1);
                std::uint64_t t = tails_.at_most(Limit_ - lo) - tails_.at_most(Limit_ - lo - 1);
                at_least -= t;
                n += u128{h} * (at_least + t);
                progress::advance(h + t);
                place(++lo);
                continue;
            }
            at_least -= tails;
            n += u128{heads} * at_least + within(heads, tails, hi - lo);
            progress::advance(heads + tails);
            while (hfirst_ < h_.n_rows && hc_[hfirst_] == h_.n_cols) ++hfirst_;  // rows done, in order
            while (tlast_ > 0 && tc_[tlast_ - 1] == 0) --tlast_;
            // Aim the next slice at `target` on the fuller side, changing by at most 2x.
            double seen = double(std::max<std::size_t>(heads, tails)) / double(hi - lo);
            per_value = std::clamp(seen, per_value / 2, per_value * 2);
            lo = hi;
        }
        return n;
    }

private:
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
                     std::size_t (*kernel)(const Make&), std::vector<std::int32_t>& buffer, std::size_t first,
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
    std::vector<std::int32_t> made_, binned_, cs_;
    std::vector<std::uint32_t> start_;
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
#endif  // HWY_ONCE
