// Exact convolution by number-theoretic transforms. Every entry of a * b is a
// non-negative integer at most bound = sum(a) * sum(b) < 2^64 (both sums are
// list sizes, below 2^32). Its residues modulo k primes fix it uniquely
// in [0, P), P their product, so k is the fewest primes with P > bound: one
// while bound < 2013265921, two while bound < 1.52e18, else three
// (P > 7.1e26). Garner's method rebuilds each entry from its residues in
// 64-bit arithmetic, exact because the entry is below 2^64. Nothing is
// rounded anywhere.
//
// Kernels: butterflies in Montgomery arithmetic, a block at a time so that
// most levels run within the cache; eight lanes at a time with AVX2 where
// the processor has it, the last three levels fused within a vector. They
// stay AVX2 intrinsics: the same butterflies in Highway's portable
// operations (levels of a vector or more; the shorter ones scalar) took, for
// one forward transform on AMD EPYC family 25 model 17, medians of 5 in two
// runs each:
//   2^21: 0.0125-0.0168 s (Highway AVX2), 0.0120-0.0203 s (Highway AVX-512),
//         against 0.0065-0.0097 s with these intrinsics;
//   2^24: 0.122-0.125 s (AVX2), 0.122-0.135 s (AVX-512), against 0.081-0.091 s.
// Cost: O(k n log n) for n = bit_ceil(|a| + |b| - 1) and k <= 3 primes;
// 4 n bytes per prime, and scratch and twiddles per prime running.
// Tested: against the schoolbook product with and without AVX2, at the edges
// where it takes one more prime, and at the longest transform, 2^24.
#pragma once

#include "types.hpp"

#include <cstdint>
#include <span>

namespace quadcount {

// The primes a convolution takes whose entries are at most `bound`: the
// fewest whose product exceeds it (1 to 3).
unsigned primes_for(u128 bound);

// c[i] = sum over j of a[j] b[i - j], for i < |a| + |b| - 1, exactly; with
// AVX2 where the processor has it and `vectorized` is set; the primes on up
// to `threads` threads.
BigVector<std::uint64_t> convolve(std::span<const std::uint32_t> a, std::span<const std::uint32_t> b,
                                  unsigned threads, bool vectorized = true);

}  // namespace quadcount
