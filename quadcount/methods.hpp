// The counting methods. Each counts the pairs (head, tail) of two sides
// (sides.hpp) with head + tail <= Limit; count.cpp picks one by cost.
// Limit is within 2^40 of 0, so no difference of a value and Limit overflows.
#pragma once

#include "memory.hpp"
#include "sides.hpp"
#include "wide.hpp"

#include <cstdint>
#include <span>
#include <vector>

namespace quadcount {

// Each method's file opens with what it computes, its cost and how it is tested.

// lookup.cpp: every value of `outer` against a count of the values of
// `inner` (a Side or a Histogram) that are at most Limit minus it.
template <class Inner>
u128 count_by_lookup(const Side& outer, const Inner& inner, std::int64_t Limit, unsigned threads);

// slices.cpp: both sides made a slice of about `slice_elements` values of
// each side at a time, in stripes of at most `stripe_elements`; `path` is a
// vector path (0: the widest the processor has).
u128 count_by_slices(const Side& heads, const Side& tails, std::int64_t Limit, std::uint64_t slice_elements,
                     std::uint64_t stripe_elements, unsigned threads, std::int64_t path);
// The vector paths it may take, widest first.
std::vector<std::int64_t> slice_paths();

// convolve.cpp: c[i] = sum over j of a[j] b[i - j], for i < |a| + |b| - 1,
// exactly; with AVX2 where the processor has it and `vectorized` is set.
BigVector<std::uint64_t> convolve(std::span<const std::uint32_t> a, std::span<const std::uint32_t> b,
                                  unsigned threads, bool vectorized = true);

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

// convolve.cpp: the sum over head values u of (heads equal to u) x (tails
// at most Limit - u).
u128 count_by_histograms(const Histogram& heads, const Histogram& tails, std::int64_t Limit);

}  // namespace quadcount
