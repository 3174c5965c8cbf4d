// bench-count: times quadcount's count on the first record of FILE, its
// lists sorted first and not timed, with the method, threads, slice size
// and vector paths given, in this process.
//
//   bench-count [OPTION]... FILE
//     --method NAME     a method (slices, by_heads, ...; default: the chooser's)
//     --threads N       threads (default: as quadcount decides)
//     --slice N         heads and tails per slice of the slices method
//     --count-path P    vector path of the slices method (AVX3, AVX2, SSE4, ...)
//     --sort-path P     vector path of the sort
//     --runs N          runs, of which the median is printed (default 3)
//     --no-huge-pages   large arrays on ordinary pages
//     --whole           time the whole record loop on FILE instead, as
//                       quadcount runs it: reading, counting, answering
//     --methods         every method in turn: estimated and measured, on one
//                       thread, skipping those estimated at over 20x the cheapest
//   bench-count --paths   the vector paths: those for sorting, timed, and the
//                         one taken; those for counting by slices
//
// Prints the count and the median time of the runs.
#include "count.hpp"
#include "memory.hpp"
#include "input.hpp"
#include "methods.hpp"
#include "output.hpp"
#include "records.hpp"
#include "sort.hpp"

#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace quadcount;

[[noreturn]] void usage()
{
    std::fputs("usage: bench-count [--method M] [--threads N] [--slice N] [--count-path P] [--sort-path P]"
               " [--runs N] [--methods] FILE\n", stderr);
    std::exit(2);
}

std::int64_t path_named(const std::string& name, const std::vector<std::int64_t>& paths)
{
    for (std::int64_t p : paths)
        if (path_name(p) == name) return p;
    std::fprintf(stderr, "bench-count: no vector path %s here\n", name.c_str());
    std::exit(2);
}

Method method_named(const std::string& name)
{
    for (auto m : {Method::slices, Method::by_heads, Method::by_tails, Method::histograms, Method::histogram_heads,
                   Method::histogram_tails})
        if (name == method_name(m)) return m;
    std::fprintf(stderr, "bench-count: no method %s\n", name.c_str());
    std::exit(2);
}

std::string decimal(u128 v)
{
    std::string s;
    do s.insert(s.begin(), static_cast<char>('0' + static_cast<int>(v % 10))); while ((v /= 10) != 0);
    return s;
}

// Median seconds of `runs` counts of the ready `lists`, and the count.
double time_count(const std::array<List, 4>& lists, std::int64_t Limit, const Tuning& tuning, int runs, u128& n)
{
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        n = count_ready(lists, Limit, tuning);
        t.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::string(argv[1]) == "--paths") {
        std::printf("sort:");
        for (std::int64_t p : sort_paths()) std::printf(" %s", path_name(p).c_str());
        std::printf("; fastest here: %s\ncount by slices:", path_name(fastest_sort_path()).c_str());
        for (std::int64_t p : slice_paths()) std::printf(" %s", path_name(p).c_str());
        std::printf("; taken: %s\n", path_name(slice_paths().front()).c_str());
        return 0;
    }
    Tuning tuning;
    int runs = 3;
    bool methods = false, whole = false;
    const char* file = nullptr;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> std::string { if (i + 1 >= argc) usage(); return argv[++i]; };
        if (a == "--method") tuning.method = method_named(value());
        else if (a == "--threads") tuning.threads = static_cast<unsigned>(std::stoul(value()));
        else if (a == "--slice") tuning.slice_elements = std::stoull(value());
        else if (a == "--count-path") tuning.count_path = path_named(value(), slice_paths());
        else if (a == "--sort-path") tuning.sort_path = path_named(value(), sort_paths());
        else if (a == "--runs") runs = std::max(1, std::stoi(value()));
        else if (a == "--methods") methods = true;
        else if (a == "--no-huge-pages") huge_pages() = false;
        else if (a == "--whole") whole = true;
        else if (a[0] != '-' && file == nullptr) file = argv[i];
        else usage();
    }
    if (file == nullptr) usage();
    if (whole) {
        int fd = ::open(file, O_RDONLY);
        if (fd < 0) usage();
        std::string answers;
        io::Output out(answers);
        io::Input input(fd, nullptr);
        auto t0 = std::chrono::steady_clock::now();
        quadcount::run(input, out);
        out.flush();
        std::printf("%s%.4f\n", answers.c_str(), std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        return 0;
    }
    std::ifstream in(file);
    long long Limit = 0, count[4];
    in >> Limit >> count[0] >> count[1] >> count[2] >> count[3];
    std::array<List, 4> lists;
    for (int k = 0; k < 4; ++k) {
        lists[k].resize(static_cast<std::size_t>(std::max(count[k], 0LL)));
        for (auto& x : lists[k]) in >> x;
    }
    if (!in) {
        std::fprintf(stderr, "bench-count: %s: not a whole record\n", file);
        return 1;
    }
    prepare(lists, tuning);
    if (!methods) {
        u128 n = 0;
        double t = time_count(lists, Limit, tuning, runs, n);
        std::printf("%s %.4f\n", decimal(n).c_str(), t);
        return 0;
    }
    const auto& ready = lists;
    std::vector<Estimate> estimates = estimate(ready, Limit, tuning);
    Method pick = chosen(ready, Limit, tuning);
    double cheapest = INFINITY;
    for (const Estimate& e : estimates) cheapest = std::min(cheapest, e.ns);
    std::printf("%-16s %12s %12s %18s\n", "method", "estimated s", "measured s", "measured/estimated");
    double fastest = INFINITY, picked = INFINITY;
    for (const Estimate& e : estimates) {
        std::printf("%-16s %12.4f ", e.name, e.ns * 1e-9);
        if (!std::isfinite(e.ns) || e.ns > 20 * cheapest) {
            std::printf("%12s\n", "-");
            continue;
        }
        Tuning forced = tuning;
        forced.method = e.method;
        forced.threads = 1;
        u128 n = 0;
        double t = time_count(lists, Limit, forced, runs, n);
        fastest = std::min(fastest, t);
        if (e.method == pick) picked = t;
        std::printf("%12.4f %18.2f%s\n", t, t / (e.ns * 1e-9), e.method == pick ? "  chosen" : "");
    }
    std::printf("chosen: %s, %.2fx the fastest\n", method_name(pick), picked / fastest);
    return 0;
}
