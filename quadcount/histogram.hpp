// Counting from histograms (histogram.cpp has the details): a side's
// values as a histogram, made by convolving those of its two lists.
#pragma once

#include "sides.hpp"
#include "types.hpp"

#include <cstddef>
#include <cstdint>

namespace quadcount {

// A side's values as a histogram, kept as running totals so that at_most()
// takes one step. Made by convolving the histograms of its two lists.
struct Histogram {
    std::int64_t low = 0;              // the smallest value
    BigVector<std::uint64_t> upto;     // upto[i]: values at most low + i

    std::int64_t min() const { return low; }
    std::uint64_t at_most(std::int64_t v) const
    {
        if (upto.empty() || v < low) return 0;
        if (v - low >= static_cast<std::int64_t>(upto.size())) return upto.back();
        return upto[static_cast<std::size_t>(v - low)];
    }
};

// Transform length for the side's histogram; 0 if the side cannot have one
// within `limit` entries (its values spread too wide), or a list is too long
// for 32-bit bins.
std::size_t histogram_length(const Side& side, std::size_t limit);
Histogram make_histogram(const Side& side, unsigned threads);

// The sum over head values u of (heads equal to u) x (tails
// at most Limit - u).
u128 count_by_histograms(const Histogram& heads, const Histogram& tails, std::int64_t Limit);

}  // namespace quadcount
