// The vector sort plugin: Highway's vqsort behind the C interface of
// vqsort_plugin.hpp. Linked to Highway's libraries as any program is, so the
// package's dependency on them is found from it.
#include "vqsort_plugin.hpp"

#include <hwy/contrib/sort/vqsort.h>
#include <hwy/highway.h>
#include <hwy/targets.h>

#include <new>

namespace {

#define NUMFILTERS_STR2(x) #x
#define NUMFILTERS_STR(x) NUMFILTERS_STR2(x)

void* make() { return new (std::nothrow) hwy::Sorter(); }

void drop(void* sorter) { delete static_cast<hwy::Sorter*>(sorter); }

void sort(void* sorter, std::int32_t* keys, std::size_t n)
{
    (*static_cast<const hwy::Sorter*>(sorter))(keys, n, hwy::SortAscending());
}

void only(std::int64_t targets) { hwy::DisableTargets(~targets); }

constexpr VqsortPlugin plugin{
    vqsort_abi, sizeof(VqsortPlugin),
    NUMFILTERS_STR(HWY_MAJOR) "." NUMFILTERS_STR(HWY_MINOR) "." NUMFILTERS_STR(HWY_PATCH),
    make, drop, sort, only};

}  // namespace

extern "C" __attribute__((visibility("default"))) const VqsortPlugin* numfilters_vqsort_plugin() { return &plugin; }
