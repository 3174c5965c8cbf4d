// The CPUs the process may use; see cpus.hpp.
#include "cpus.hpp"

#include "proc.hpp"

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <sched.h>

namespace machine {

// Read with a mask as large as the kernel's.
unsigned affinity_cpus()
{
    for (int n = 1024; n <= (1 << 20); n *= 2) {
        cpu_set_t* set = CPU_ALLOC(static_cast<std::size_t>(n));
        if (set == nullptr) return 1;
        std::size_t size = CPU_ALLOC_SIZE(static_cast<std::size_t>(n));
        int got = sched_getaffinity(0, size, set) == 0 ? CPU_COUNT_S(size, set) : -1;
        CPU_FREE(set);
        if (got > 0) return static_cast<unsigned>(got);
        if (errno != EINVAL) return 1;  // EINVAL: the kernel's mask is larger
    }
    return 1;
}

unsigned quota_cpus(std::string_view cpu_max)
{
    std::uint64_t quota = 0, period = 0;
    const char *p = cpu_max.data(), *end = p + cpu_max.size();
    auto [q, e1] = std::from_chars(p, end, quota);
    if (e1 != std::errc() || q == end || *q != ' ') return 0;  // "max": no quota
    auto [r, e2] = std::from_chars(q + 1, end, period);
    if (e2 != std::errc() || period == 0 || quota == 0) return 0;
    return static_cast<unsigned>(std::min<std::uint64_t>((quota + period - 1) / period, 1u << 20));
}

unsigned cgroup_cpus(const std::string& root, std::string_view proc_cgroup)
{
    unsigned least = 0;
    for (const std::string& dir : cgroup_chain(root, proc_cgroup)) {
        unsigned here = quota_cpus(file_text(dir + "/cpu.max"));
        if (here != 0 && (least == 0 || here < least)) least = here;
    }
    return least;
}

namespace {

// A positive count at the start of a list: "N", or "N,..." with spaces
// around N; a count past 2^20 is 2^20. 0 for anything else.
unsigned positive(const char* text)
{
    if (text == nullptr) return 0;
    std::string_view s(text);
    s = s.substr(0, s.find(','));
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    std::uint64_t n = 0;
    auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), n);
    if (end != s.data() + s.size() || s.empty()) return 0;
    if (error == std::errc::result_out_of_range) return 1u << 20;
    if (error != std::errc() || n == 0) return 0;
    return static_cast<unsigned>(std::min<std::uint64_t>(n, 1u << 20));
}

}  // namespace

unsigned openmp_threads(unsigned cpus, const char* num_threads, const char* thread_limit)
{
    unsigned n = positive(num_threads);
    if (n == 0) n = cpus;
    unsigned limit = positive(thread_limit);
    return limit != 0 ? std::min(n, limit) : n;
}

unsigned usable_cpus()
{
    static const unsigned cpus = [] {
        unsigned n = affinity_cpus(), quota = cgroup_cpus("/sys/fs/cgroup", file_text("/proc/self/cgroup"));
        if (quota != 0) n = std::min(n, quota);
        return openmp_threads(n, std::getenv("OMP_NUM_THREADS"), std::getenv("OMP_THREAD_LIMIT"));
    }();
    return cpus;
}

}  // namespace machine
