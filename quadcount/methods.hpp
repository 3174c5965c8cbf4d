// The counting methods. Each counts the pairs (head, tail) of two sides
// (sides.hpp) with head + tail <= Limit; count.cpp picks one by cost.
// Limit is within 2^40 of 0, so no difference of a value and Limit overflows.
#pragma once

#include "histogram.hpp"
#include "progress.hpp"
#include "sides.hpp"
#include "types.hpp"

#include <cstdint>
#include <span>
#include <vector>

namespace quadcount {

// Each method's file opens with what it computes, its cost and how it is
// tested. Each reports its work to `progress` where it is given one.

// lookup.cpp: every value of `outer` (of `share`'s part of its pairs, in row
// order) against a count of the values of `inner` (a Side or a Histogram)
// that are at most Limit minus it.
template <class Inner>
u128 count_by_lookup(const Side& outer, const Inner& inner, std::int64_t Limit, Share share, unsigned threads,
                     Progress* progress = nullptr);

// slices.cpp: both sides made a slice of about `slice_elements` values of
// each side at a time, for the pairs whose head lies in `share`'s stretch
// of the value line, a stretch a thread; `path` is a vector path (0: the
// widest the processor has).
u128 count_by_slices(const Side& heads, const Side& tails, std::int64_t Limit, std::uint64_t slice_elements,
                     Share share, unsigned threads, std::int64_t path, Progress* progress = nullptr);
// The vector paths it may take, widest first.
std::vector<std::int64_t> slice_paths();

// histogram.cpp: counting from histograms, as histogram.hpp declares.

}  // namespace quadcount
