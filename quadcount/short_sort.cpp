// Short lists sorted in vector registers; see short_sort.hpp.

// Plain types, declared once however often Highway includes this file.
#ifndef QUADCOUNT_SHORT_SORT_TYPES
#define QUADCOUNT_SHORT_SORT_TYPES
#include "highway.hpp"
#include "short_sort.hpp"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#endif

// Only the paths taken below are compiled: vqsort is long to compile.
#ifndef HWY_DISABLED_TARGETS
#define HWY_DISABLED_TARGETS (HWY_SSSE3 | HWY_SVE_256 | HWY_SVE2_128)
#endif

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "short_sort.cpp"
#include <hwy/foreach_target.h>  // includes this file once per vector path

#include <hwy/highway.h>
#include <hwy/contrib/sort/traits-inl.h>
#include <hwy/contrib/sort/vqsort-inl.h>

HWY_BEFORE_NAMESPACE();
namespace quadcount::short_sort::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

std::size_t Most()
{
    return hwy::SortConstants::BaseCaseNum(hn::Lanes(hn::SortTag<std::int32_t>()));
}

void Sort(std::int32_t* keys, std::size_t n)
{
    const hn::SortTag<std::int32_t> d;
    hn::detail::SharedTraits<hn::detail::TraitsLane<hn::detail::OrderAscending<std::int32_t>>> st;
    // Scratch for vectors of a size known only as the program runs (SVE).
    alignas(64) std::int32_t buf[hwy::SortConstants::BufNum<std::int32_t>(HWY_LANES(std::int32_t))];
    hn::Sort(d, st, keys, n, buf);
}

}  // namespace quadcount::short_sort::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
// vqsort seeds the generator it picks pivots with from here; lists of up to
// a base case's length, the only ones sorted here, never pick a pivot.
void hwy::Sorter::Fill24Bytes(const void* seed_heap, std::size_t seed_num, void* bytes)
{
    const std::uint64_t seed[3] = {reinterpret_cast<std::uintptr_t>(seed_heap), seed_num, 0x9e3779b97f4a7c15u};
    std::memcpy(bytes, seed, sizeof seed);
}

// vqsort's checks, on in sanitized builds, report through this, which
// Highway's library has and the programs do not link: the same report.
void hwy::Abort(const char* file, int line, const char* format, ...)
{
    std::fprintf(stderr, "Abort at %s:%d: ", file, line);
    std::va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    std::abort();
}

namespace quadcount {
using namespace short_sort;

#define QUADCOUNT_PATH(NS, TARGET) s.push_back({TARGET, short_sort::NS::Most(), &short_sort::NS::Sort})
// The static path is NEON on arm64; on x86-64 it has no vector sort.
#define QUADCOUNT_STATIC_PATH \
    if (HWY_ARCH_ARM_A64) s.push_back({HWY_STATIC_TARGET, HWY_STATIC_DISPATCH(Most)(), &HWY_STATIC_DISPATCH(Sort)})

const std::vector<ShortSort>& short_sorts()
{
    static const std::vector<ShortSort> all = [] {
        const std::int64_t have = machine::highway_paths();
        std::vector<ShortSort> s;
#include "vector_paths.inc"
        return s;
    }();
    return all;
}

}  // namespace quadcount
#endif  // HWY_ONCE
