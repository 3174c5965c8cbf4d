// Radix sort: keys ascending, by their offsets from the least key, 11 bits a
// pass from the lowest (each pass a counting sort, stable), as many passes
// as the keys' span needs: one for a span below 2^11, three for any 32-bit
// keys, four for the sample's keys of up to 44 bits.
// Cost: O(n) a pass, plus 2^11 counters; n keys of scratch.
// Tested: against std::sort on random keys of every span from 1 bit to 64,
// negative, repeated and at the extremes (test_quadcount.cpp), and through
// every count whose lists it sorts.
// Gain: for the lists, sort.hpp (radix_from); for the sample's keys, sample.hpp.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <type_traits>
#include <utility>
#include <vector>

namespace quadcount {

template <class Key>
void radix_sort(std::span<Key> keys, std::vector<Key>& scratch)
{
    static_assert(std::is_integral_v<Key> && std::is_signed_v<Key>);
    if (keys.size() < 2) return;
    const auto [least, most] = std::minmax_element(keys.begin(), keys.end());
    using Offset = std::make_unsigned_t<Key>;
    const Key base = *least;
    // Offsets from the least key, exact modulo 2^bits: the span fits.
    auto offset = [base](Key k) { return static_cast<Offset>(static_cast<Offset>(k) - static_cast<Offset>(base)); };
    const Offset span = offset(*most);
    scratch.resize(keys.size());
    std::span<Key> from = keys, to(scratch);
    constexpr int bits = 11;
    for (unsigned shift = 0; shift < 8 * sizeof(Key) && (span >> shift) != 0; shift += bits) {
        std::array<std::size_t, std::size_t{1} << bits> at{};
        auto digit = [&](Key k) { return static_cast<std::size_t>(offset(k) >> shift) & (at.size() - 1); };
        for (Key k : from) ++at[digit(k)];
        std::size_t sum = 0;
        for (std::size_t& a : at) sum += std::exchange(a, sum);
        for (Key k : from) to[at[digit(k)]++] = k;
        std::swap(from, to);
    }
    if (from.data() != keys.data()) std::copy(from.begin(), from.end(), keys.begin());
}

}  // namespace quadcount
