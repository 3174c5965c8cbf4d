// Sorting on the fastest vector path; see sort.hpp.
#include "sort.hpp"

#include "highway.hpp"

#include <hwy/contrib/sort/vqsort.h>
#include <hwy/targets.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <random>

namespace quadcount {

namespace {

// Makes `path` the one vqsort takes.
void take_path(std::int64_t path)
{
    static std::mutex m;
    static std::int64_t current = 0;
    std::lock_guard lock(m);
    if (path == current) return;
    hwy::DisableTargets(cpu::highway_paths() & ~path);
    current = path;
}

void vqsort(std::span<std::int32_t> keys, std::int64_t path)
{
    thread_local hwy::Sorter sorter;  // holds scratch space, reused by every sort
    take_path(path);
    sorter(keys.data(), keys.size(), hwy::SortAscending());
}

std::int64_t time_paths()
{
    std::vector<std::int32_t> sample(8192), keys;
    std::mt19937 rng(1);
    for (auto& k : sample) k = static_cast<std::int32_t>(rng());
    std::int64_t best = 0;
    double fastest = 1e30;
    for (std::int64_t path : sort_paths()) {
        for (int run = 0; run < 2; ++run) {
            keys = sample;
            auto t0 = std::chrono::steady_clock::now();
            vqsort(keys, path);
            double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            if (t < fastest) fastest = t, best = path;
        }
    }
    return best;
}

}  // namespace

std::vector<std::int64_t> sort_paths()
{
    std::vector<std::int64_t> paths;
    for (std::int64_t bits = cpu::highway_paths() & ~std::int64_t{HWY_EMU128 | HWY_SCALAR}; bits != 0; bits &= bits - 1)
        paths.push_back(bits & -bits);  // lower bits are the wider paths
    if (paths.empty()) paths.push_back(cpu::highway_paths() & -cpu::highway_paths());
    return paths;
}

std::int64_t fastest_sort_path()
{
    static const std::int64_t path = time_paths();
    return path;
}

std::string path_name(std::int64_t path) { return hwy::TargetName(path); }

void sort_ascending(std::span<std::int32_t> keys, std::int64_t path)
{
    if (path == 0 && keys.size() < calibrate_from) {
        std::sort(keys.begin(), keys.end());
        return;
    }
    if (keys.size() > 1) vqsort(keys, path != 0 ? path : fastest_sort_path());
}

}  // namespace quadcount
