// The two sides of a count. A pick (x1, x2, x3, x4) stays within Limit
// exactly when head + tail <= Limit, with head = x1 + x2 and
// tail = max(0, x3, x3 + x4) = max(0, x3 + max(0, x4)). Both are sums of one
// element from each of two sorted lists, the tail floored at 0, so one type
// serves both and its two lists may be taken in either order.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <span>

namespace quadcount {

using Span = std::span<const std::int32_t>;

struct Side {
    Span rows;            // the shorter list, sorted
    Span cols;            // the longer list, sorted
    bool floored = false; // values are max(0, x + y)

    Side() = default;
    Side(Span a, Span b, bool floor_at_zero)
        : rows(a.size() <= b.size() ? a : b), cols(a.size() <= b.size() ? b : a), floored(floor_at_zero)
    {
    }

    double size() const { return double(rows.size()) * double(cols.size()); }
    bool empty() const { return rows.empty() || cols.empty(); }
    std::int64_t value(std::int64_t x, std::int64_t y) const
    {
        return floored ? std::max<std::int64_t>(0, x + y) : x + y;
    }
    std::int64_t min() const { return value(rows.front(), cols.front()); }
    std::int64_t max() const { return value(rows.back(), cols.back()); }

    // How many elements of `cols` keep x + y <= v.
    std::uint64_t in_row(std::int64_t x, std::int64_t v) const
    {
        if (floored && v < 0) return 0;
        auto past = std::upper_bound(cols.begin(), cols.end(), v - x,
                                     [](std::int64_t key, std::int32_t y) { return key < y; });
        return static_cast<std::uint64_t>(past - cols.begin());
    }

    // Estimated nanoseconds at_most() takes: a binary search per row, or one
    // walk of both lists, whose steps are mispredicted branches. Measured by
    // `bench/run.sh costs` on AMD EPYC family 25 model 17: a search step on
    // shape (10^6, 1, 1, 10^6), a walk step on (1, 1, 10^6, 10^6) and
    // (10^6, 10^6, 1, 1).
    static constexpr double search_step = 0.9, walk_step = 3.5;
    double search_cost() const { return double(rows.size()) * double(std::bit_width(cols.size()) + 1) * search_step; }
    double walk_cost() const { return double(rows.size() + cols.size()) * walk_step; }
    double lookup_cost() const { return std::min(search_cost(), walk_cost()); }

    // For every row in order, put(i, n): n of row i's values are at most
    // v. A bisection a row, or one walk down the columns as the rows go up,
    // whichever costs less.
    template <class Put>
    void at_most_by_row(std::int64_t v, Put put) const
    {
        if (search_cost() < walk_cost() || (floored && v < 0)) {
            for (std::size_t i = 0; i < rows.size(); ++i) put(i, in_row(rows[i], v));
            return;
        }
        std::size_t j = cols.size();
        for (std::size_t i = 0; i < rows.size(); ++i) {
            while (j > 0 && std::int64_t{rows[i]} + cols[j - 1] > v) --j;
            put(i, std::uint64_t{j});
        }
    }

    // How many of the side's values are at most v.
    std::uint64_t at_most(std::int64_t v) const
    {
        if (empty() || v < min()) return 0;
        if (v >= max()) return std::uint64_t(rows.size()) * cols.size();
        std::uint64_t n = 0;
        if (search_cost() < walk_cost()) {
            for (std::int64_t x : rows) {
                if (x + cols.front() > v) break;
                n += in_row(x, v);
            }
            return n;
        }
        std::size_t j = cols.size();
        for (std::int64_t x : rows) {
            while (j > 0 && x + cols[j - 1] > v) --j;
            if (j == 0) break;
            n += j;
        }
        return n;
    }
};

}  // namespace quadcount
