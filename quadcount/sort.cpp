// Sorting on the fastest vector path; see sort.hpp.
#include "sort.hpp"

#include "highway.hpp"
#include "radix_sort.hpp"
#include "short_sort.hpp"

#include "vqsort_plugin.hpp"

#include <dlfcn.h>
#include <hwy/targets.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <new>
#include <random>
#include <stdexcept>

namespace quadcount {

namespace {

// vqsort, from the plugin installed beside the program (vqsort_plugin.hpp),
// loaded at the first sort that takes it: loading Highway's libraries costs
// about 3.5 ms (AMD EPYC family 26 model 2, Zen 5: 4.2 ms against 0.7 ms for
// a program that links nothing, 500 starts), which every run would pay
// though most sort only short lists. Gain (same processor, 15 runs in
// alternation): 4 lists of 2,000 wide take 0.87-0.89x the time.
class Vqsort {
public:
    // The plugin, or null where it cannot be loaded; then `why` says why.
    static const Vqsort* get()
    {
        static const Vqsort* const loaded = [] {
            static Vqsort v;
            return v.load() ? &v : nullptr;
        }();
        return loaded;
    }
    static const std::string& why() { return why_; }
    static std::string path()
    {
        char exe[4096];
        ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
        std::string dir = n > 0 ? std::string(exe, static_cast<std::size_t>(n)) : std::string();
        dir.erase(dir.find_last_of('/') + 1);
        return dir + FILTERS_PLUGIN_DIR "/libnumfilters-vqsort.so";
    }
    const char* highway() const { return plugin_->highway; }

    // Sorts on `path`, with a sorter (its scratch space) kept per thread.
    void sort(std::span<std::int32_t> keys, std::int64_t path) const
    {
        struct Sorter {
            const VqsortPlugin& p;
            void* sorter;
            explicit Sorter(const VqsortPlugin& plugin) : p(plugin), sorter(p.make()) {}
            ~Sorter() { p.drop(sorter); }
        };
        thread_local Sorter sorter(*plugin_);
        if (sorter.sorter == nullptr) throw std::bad_alloc();
        take_path(path);
        plugin_->sort(sorter.sorter, keys.data(), keys.size());
    }

private:
    bool load()
    {
        std::string file = path();
        void* lib = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (lib == nullptr) return fails(dlerror());
        auto entry = reinterpret_cast<const VqsortPlugin* (*)()>(dlsym(lib, "numfilters_vqsort_plugin"));
        if (entry == nullptr) return fails(file + ": no entry point");
        plugin_ = entry();
        if (plugin_ == nullptr || plugin_->abi != vqsort_abi || plugin_->size != sizeof(VqsortPlugin))
            return fails(file + ": from another build");
        return true;
    }
    static bool fails(const std::string& what)
    {
        why_ = what;
        return false;
    }

    // Makes `path` the one vqsort takes.
    void take_path(std::int64_t path) const
    {
        static std::mutex m;
        static std::int64_t current = 0;
        std::lock_guard lock(m);
        if (path == current) return;
        plugin_->only(path);
        current = path;
    }

    const VqsortPlugin* plugin_ = nullptr;
    static inline std::string why_;
};

// vqsort on `path`, or std::sort where the plugin cannot be loaded: said
// once on standard error, as it makes long sorts about 10x slower.
void vqsort(std::span<std::int32_t> keys, std::int64_t path)
{
    if (const Vqsort* v = Vqsort::get()) {
        v->sort(keys, path);
        return;
    }
    static std::once_flag told;
    std::call_once(told, [] {
        std::fprintf(stderr, "quadcount: the vector sort is not loaded (%s); sorting without it\n",
                     Vqsort::why().c_str());
    });
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
    for (std::int64_t bits = machine::highway_paths() & ~std::int64_t{HWY_EMU128 | HWY_SCALAR}; bits != 0; bits &= bits - 1)
        paths.push_back(bits & -bits);  // lower bits are the wider paths
    if (paths.empty()) paths.push_back(machine::highway_paths() & -machine::highway_paths());
    return paths;
}

std::int64_t fastest_sort_path()
{
    static const std::int64_t path = time_paths();
    return path;
}

std::string path_name(std::int64_t path) { return hwy::TargetName(path); }

bool vector_sort_loaded() { return Vqsort::get() != nullptr; }

std::string vector_sort_state()
{
    if (const Vqsort* v = Vqsort::get()) return "vqsort (Highway " + std::string(v->highway()) + "), from " + Vqsort::path();
    return "std::sort: vqsort not loaded (" + Vqsort::why() + ")";
}

void sort_ascending(std::span<std::int32_t> keys, std::int64_t path)
{
    if (path != 0) {
        static const std::vector<std::int64_t> paths = sort_paths();
        if (std::find(paths.begin(), paths.end(), path) == paths.end())
            throw std::invalid_argument("no vector path " + std::to_string(path) + " for the sort here");
    }
    if (keys.size() < 2) return;  // sorted; and vqsort takes at least one key
    for (const ShortSort& s : short_sorts()) {
        if (path != 0 && s.path != path) continue;
        if (keys.size() <= s.most) {
            s.sort(keys.data(), keys.size());
            return;
        }
        break;
    }
    if (path == 0 && keys.size() < radix_from) {
        std::sort(keys.begin(), keys.end());
        return;
    }
    if (path == 0 && keys.size() < calibrate_from) {
        thread_local std::vector<std::int32_t> scratch;
        radix_sort(keys, scratch);
        return;
    }
    vqsort(keys, path != 0 ? path : fastest_sort_path());
}

}  // namespace quadcount
