// The C interface of the vector sort plugin (vqsort_plugin.cpp), the one
// place quadcount's process meets Highway's libraries: the plugin links them
// the ordinary way, and quadcount loads the plugin (sort.cpp) only when it
// first sorts a long list, so a run that sorts none does not pay for loading
// them. Plugin and program are built from one tree against the same Highway
// headers, whose target bits they share; `abi` and `size` turn away a stray
// copy of another build.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

inline constexpr std::uint32_t vqsort_abi = 1;

struct VqsortPlugin {
    std::uint32_t abi;    // vqsort_abi
    std::uint32_t size;   // sizeof(VqsortPlugin)
    const char* highway;  // the Highway version it was built with, "1.0.3"
    // A sorter and its scratch space for one thread, or null when out of memory.
    void* (*make)();
    void (*drop)(void* sorter);
    // Sorts n >= 1 keys ascending.
    void (*sort)(void* sorter, std::int32_t* keys, std::size_t n);
    // Later sorts take only `targets` (Highway's target bits) of those the
    // processor has. A setting of the whole process.
    void (*only)(std::int64_t targets);
};

// The plugin's one symbol.
const VqsortPlugin* numfilters_vqsort_plugin();
}
