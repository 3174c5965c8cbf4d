// The count by slices' vector kernels; see slice_kernels.hpp.
// Vector paths: Highway's AVX-512, AVX2, SSE4 and scalar code from one
// source; the widest the processor has, unless forced. On 4 x 8,000 wide
// values, one thread, AMD EPYC family 25 model 17, medians in alternation:
// AVX-512 0.17 s (four heads a bin), AVX2 0.21 s (two), SSE4 0.35 s, scalar
// 1.0 s; slices of 64 Ki to 256 Ki values alike within the noise.
// Tested: against brute force on every path (test_quadcount.cpp), with
// slices of one to five elements, so that each kernel meets every edge.

// Plain types, declared once however often Highway includes this file.
#ifndef QUADCOUNT_SLICE_KERNELS_TYPES
#define QUADCOUNT_SLICE_KERNELS_TYPES
#include "highway.hpp"
#include "slice_kernels.hpp"

#include <algorithm>
#include <stdexcept>
#include <string>
#endif

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "slice_kernels.cpp"
#include <hwy/foreach_target.h>  // includes this file once per vector path

#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace quadcount::slices::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;
using D = hn::ScalableTag<std::int32_t>;

std::size_t LanesI32() { return hn::Lanes(D()); }

// The heads x + y in [lo, hi), as offsets from lo, into out[0, count).
// Returns the count, or SIZE_MAX when it would pass `cap`.
std::size_t MakeHeads(const KernelCall& m)
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
std::size_t MakeTails(const KernelCall& m)
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
namespace quadcount::slices {

#define QUADCOUNT_PATH(ns, path) \
    k.push_back(Kernels{path, &ns::MakeHeads, &ns::MakeTails, &ns::CountBelow, ns::LanesI32()})
#define QUADCOUNT_STATIC_PATH                                                                       \
    k.push_back(Kernels{HWY_STATIC_TARGET, &HWY_STATIC_DISPATCH(MakeHeads), &HWY_STATIC_DISPATCH(MakeTails), \
                        &HWY_STATIC_DISPATCH(CountBelow), HWY_STATIC_DISPATCH(LanesI32)()})

// The table is made by hand, not by Highway's dynamic dispatch: sort.cpp
// turns Highway's targets off for the whole process to hold vqsort to one
// path, which dispatch here would follow. machine::highway_paths() is read before
// any is turned off. The first row is taken: on x86-64 the widest path, on
// arm64 NEON, the static path.
const std::vector<Kernels>& all_kernels()
{
    static const std::vector<Kernels> all = [] {
        const std::int64_t have = machine::highway_paths();
        std::vector<Kernels> k;
#include "vector_paths.inc"
        return k;
    }();
    return all;
}

const Kernels& kernels(std::int64_t path)
{
    for (const Kernels& k : all_kernels())
        if (path == 0 || k.path == path) return k;
    throw std::invalid_argument("no vector path " + std::to_string(path) + " for the count by slices here");
}

}  // namespace quadcount::slices
#endif  // HWY_ONCE
