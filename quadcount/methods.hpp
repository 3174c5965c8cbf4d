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

// --- lookup.cpp --------------------------------------------------------------
// Every value v of `outer` against a count of the values of `inner` that are
// at most Limit - v. Cost: |outer| lookups (inner.lookup_cost() steps each
// for a Side, one step for a Histogram), split among `threads`.
// Tested: against brute force on random records, both ways round.
template <class Inner>
u128 count_by_lookup(const Side& outer, const Inner& inner, std::int64_t Limit, unsigned threads);

// --- merge.cpp ---------------------------------------------------------------
// Both sides made and sorted, then merged, one slice of the value line at a
// time: a slice holds at most `slice_elements` values of each side, except a
// slice one value wide, which is counted without making its values. Memory:
// 8 bytes per slice element per thread. Cost: O((H + T) log) for the sorts of
// H head and T tail values, plus O(|rows| log |cols|) per slice per side.
// Tested: against brute force with slices of 1 to 5 elements, so that one
// small record spans many slices; by fuzzing with random slice sizes.
u128 count_by_merge(const Side& heads, const Side& tails, std::int64_t Limit, std::uint64_t slice_elements,
                    unsigned threads);

// --- convolve.cpp ------------------------------------------------------------
// c[i] = sum over j of a[j] b[i - j], for i < |a| + |b| - 1, exactly (see
// convolve.cpp for why no entry can be wrong). Cost O(k n log n), n the
// power of two at least |a| + |b| - 1, k <= 3 primes, on up to k threads;
// eight butterflies at a time where the processor has AVX2 and `vectorized`.
// Tested: against the schoolbook product, at the edges where k changes, with
// and without AVX2.
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

// Sum over head values u of (heads equal to u) x (tails at most Limit - u).
// Cost O(span of the heads).
u128 count_by_histograms(const Histogram& heads, const Histogram& tails, std::int64_t Limit);

}  // namespace quadcount
