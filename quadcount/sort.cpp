// Sorting, vectorized; see sort.hpp.
#include "sort.hpp"

#include <hwy/contrib/sort/vqsort.h>

namespace quadcount {

namespace {

// A sorter holds scratch space; one per thread is reused by every sort.
hwy::Sorter& sorter()
{
    thread_local hwy::Sorter s;
    return s;
}

}  // namespace

void sort_ascending(std::span<std::int32_t> keys)
{
    if (keys.size() > 1) sorter()(keys.data(), keys.size(), hwy::SortAscending());
}

void sort_ascending(std::span<std::uint32_t> keys)
{
    if (keys.size() > 1) sorter()(keys.data(), keys.size(), hwy::SortAscending());
}

}  // namespace quadcount
