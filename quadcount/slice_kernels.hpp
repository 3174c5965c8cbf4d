// The vector kernels of the count by slices (slices.cpp): for one slice of
// the value line, the heads and the tails made from one side's rows and
// columns, and the tails' counts of heads at most them, on every vector path
// this build and the processor have.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

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

// What the kernels make and count, one call per slice and side.
struct KernelCall {
    const Grid* grid;
    std::int64_t Limit, lo, hi;
    std::uint32_t* cursor;        // per row, where the slice's values begin (heads) or end (tails); moved on
    std::size_t first, last;      // the rows that may still hold values, [first, last)
    std::int32_t* out;            // room for `cap` offsets from lo, and `pad` more either side
    std::size_t cap;
};

// One vector path's kernels.
struct Kernels {
    std::int64_t path;
    std::size_t (*heads)(const KernelCall&);
    std::size_t (*tails)(const KernelCall&);
    std::uint64_t (*count_below)(const std::int32_t*, std::size_t, const std::int32_t*, const std::uint32_t*, int);
    std::size_t lanes;
};

// The kernels of every path this build has and the processor runs, the one
// taken by default first; and those of `path` (0: the default; any other
// path is std::invalid_argument).
const std::vector<Kernels>& all_kernels();
const Kernels& kernels(std::int64_t path);

}  // namespace quadcount::slices
