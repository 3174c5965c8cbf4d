// Sorting 32-bit keys with Highway's vqsort, on the vector path that is
// fastest on this processor. vqsort comes in a plugin of ours, loaded at the
// first sort that takes it (vqsort_plugin.hpp).
//
// vqsort would take the widest path the processor has, and that is not
// always the fastest: its AVX-512 paths store through vpcompressd, which
// some processors run in microcode (AMD family 25, Zen 4: there they sort
// 7x slower than the AVX2 path, and slower than std::sort). So the first
// sort of at least `calibrate_from` keys times every path the processor has
// on the same 8,192 random keys, best of two, and keeps the fastest for the
// rest of the process; it costs about a millisecond. Shorter sorts use a
// radix sort (radix_sort.hpp) from `radix_from` keys, std::sort below, and
// lists of up to 16 vectors a sorting network in registers (short_sort.hpp).
// A path can also be forced, for tests and benchmarks; it holds for the
// sorting network too.
//
// vqsort's path is a setting of the whole process: sorts run on one thread
// at a time, while no other thread runs Highway code.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quadcount {

constexpr std::size_t calibrate_from = std::size_t{1} << 15;
// Gain, against std::sort (AMD EPYC family 26 model 2, Zen 5, medians over
// fresh random keys): 32,000 keys in +-10^9 0.10x the time (4.8 against
// 46.6 ns a key), in +-1000 0.07x; 257 keys 0.51x and 0.23x; 128 keys in
// +-10^9 0.94x, 65 keys 1.9x, so std::sort below 128. Loaded, vqsort takes
// 2.0-2.2 ns a key at 32,000: loading it for one record of four such lists
// would cost more than it saves.
constexpr std::size_t radix_from = 128;

// Those of them that sort, widest first.
std::vector<std::int64_t> sort_paths();
// The path chosen by timing them (timed on the first call).
std::int64_t fastest_sort_path();
std::string path_name(std::int64_t path);

// Whether the plugin loads (loading it now if not yet); without it every
// sort is std::sort, and the first long one says so on standard error.
bool vector_sort_loaded();
// For --version: which sort long lists get, and from where, or why not.
std::string vector_sort_state();

// Sorts `keys` ascending; `path` 0 chooses as above, otherwise it is one of
// sort_paths() (any other is std::invalid_argument).
void sort_ascending(std::span<std::int32_t> keys, std::int64_t path = 0);

}  // namespace quadcount
