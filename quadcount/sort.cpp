// Sorting on the fastest vector path; see sort.hpp.
#include "sort.hpp"

#include "highway.hpp"
#include "short_sort.hpp"

#include <dlfcn.h>
#include <hwy/contrib/sort/vqsort.h>
#include <hwy/targets.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <new>
#include <random>

namespace quadcount {

namespace {

// vqsort, from Highway's contrib library, loaded at the first sort that
// takes it: loading Highway costs about 3 ms (it times its clock as it
// loads), which every run would pay though most sort only short lists.
// Gain (AMD EPYC family 26 model 2, Zen 5, 15 runs in alternation): 4 lists
// of 2,000 wide take 0.87-0.89x the time. Its functions are found by their C++
// names and called as plain functions that take the object first, as the
// C++ ABI passes `this`.
class Vqsort {
public:
    // The library, or null where it cannot be loaded.
    static const Vqsort* get()
    {
        static const Vqsort* const loaded = [] {
            static Vqsort v;
            return v.load() ? &v : nullptr;
        }();
        return loaded;
    }

    // Sorts on `path`, with a sorter (its scratch space) kept per thread.
    void sort(std::span<std::int32_t> keys, std::int64_t path) const
    {
        struct Sorter {
            const Vqsort& v;
            alignas(hwy::Sorter) unsigned char object[sizeof(hwy::Sorter)];
            explicit Sorter(const Vqsort& lib) : v(lib) { v.construct_(object); }
            ~Sorter() { v.destroy_(object); }
        };
        thread_local Sorter sorter(*this);
        take_path(path);
        sort_(sorter.object, keys.data(), keys.size(), hwy::SortAscending());
    }

private:
    bool load()
    {
        void* lib = dlopen("libhwy_contrib.so.1", RTLD_NOW | RTLD_LOCAL);
        void* base = dlopen("libhwy.so.1", RTLD_NOW | RTLD_LOCAL);
        if (lib == nullptr || base == nullptr) return false;
        construct_ = reinterpret_cast<void (*)(void*)>(dlsym(lib, "_ZN3hwy6SorterC1Ev"));
        destroy_ = reinterpret_cast<void (*)(void*)>(dlsym(lib, "_ZN3hwy6Sorter6DeleteEv"));
        sort_ = reinterpret_cast<decltype(sort_)>(dlsym(lib, "_ZNK3hwy6SorterclEPimNS_13SortAscendingE"));
        disable_ = reinterpret_cast<void (*)(std::int64_t)>(dlsym(base, "_ZN3hwy14DisableTargetsEl"));
        return construct_ && destroy_ && sort_ && disable_;
    }

    // Makes `path` the one vqsort takes: every other target off.
    void take_path(std::int64_t path) const
    {
        static std::mutex m;
        static std::int64_t current = 0;
        std::lock_guard lock(m);
        if (path == current) return;
        disable_(~path);
        current = path;
    }

    void (*construct_)(void*) = nullptr;
    void (*destroy_)(void*) = nullptr;
    void (*sort_)(const void*, std::int32_t*, std::size_t, hwy::SortAscending) = nullptr;
    void (*disable_)(std::int64_t) = nullptr;
};

// vqsort on `path`, or std::sort where Highway's library is missing.
void vqsort(std::span<std::int32_t> keys, std::int64_t path)
{
    if (const Vqsort* v = Vqsort::get())
        v->sort(keys, path);
    else
        std::sort(keys.begin(), keys.end());
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

bool vector_sort_loaded() { return Vqsort::get() != nullptr; }

void sort_ascending(std::span<std::int32_t> keys, std::int64_t path)
{
    if (keys.size() < 2) return;  // sorted; and vqsort takes at least one key
    for (const ShortSort& s : short_sorts()) {
        if (path != 0 && s.path != path) continue;
        if (keys.size() <= s.most) {
            s.sort(keys.data(), keys.size());
            return;
        }
        break;
    }
    if (path == 0 && keys.size() < calibrate_from) {
        std::sort(keys.begin(), keys.end());
        return;
    }
    vqsort(keys, path != 0 ? path : fastest_sort_path());
}

}  // namespace quadcount
