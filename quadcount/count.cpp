// Counting the picks that stay within a budget: the methods and the choice
// between them; see count.hpp.
#include "count.hpp"

#include "budget.hpp"
#include "methods.hpp"
#include "ntt.hpp"
#include "parallel.hpp"
#include "progress.hpp"
#include "shortage.hpp"
#include "sort.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <new>
#include <optional>

namespace quadcount {

namespace {

// A record prepared for the methods: its sides, their histograms' lengths,
// its budget clamped, and the memory its count may take.
struct Prepared {
    Side heads, tails;
    std::size_t heads_n, tails_n;  // each side's histogram length; 0 where it has none
    std::int64_t Limit;
    std::uint64_t memory;          // bytes the working arrays may take
};

// The memory planned for when none is given: at most 512 MiB.
constexpr std::uint64_t most_memory = std::uint64_t{512} << 20;
// Primes a side's histogram takes: its entries are at most |rows| |cols|.
double primes(const Side& side) { return primes_for(u128{side.rows.size()} * side.cols.size()); }

// Bytes a side's histogram of n entries takes while it is made: 4 n for the
// residues of each prime, and for scratch, twiddles and the lists' bins, once
// when the primes take turns and once a prime when they run at once (the
// result, 8 n, takes the place of scratch and twiddles). It keeps 8 n.
double made_bytes(std::size_t n, double k, bool primes_at_once)
{
    return 4 * double(n) * (primes_at_once ? 3 * k + 1 : k + 3);
}
// A slice's buffers take up to 16 bytes an element a thread (slices.cpp), for
// twice the slice's elements: room to overflow.
constexpr std::uint64_t slice_bytes = 32;
// Slices are halved after a failed allocation down to this.
constexpr std::uint64_t fewest_slice_elements = 4096;

// Heads and tails per slice of the slices method: its bins stay in the
// processor's second-level cache.
constexpr std::uint64_t usual_slice = std::uint64_t{1} << 17;
constexpr std::uint64_t least_slice = std::uint64_t{1} << 15;

// The slice for a record: 8 values for every row the walk visits per slice,
// from 32 Ki to 128 Ki, so that a small record touches less memory and a
// large one visits its rows less often; from 48 Ki rows, 4 values a row,
// from 256 Ki to 1 Mi, as the rows' visits grow to outweigh the bins'
// cache. Gain, against 128 Ki always (AMD EPYC family 26 model 2, Zen 5, one
// thread): 4 lists of 2,000 wide take 0.89x the time (15 pairs in
// alternation); 8,000 to 20,000 keep 128 Ki (64 Ki took 1.30x at 20,000,
// 256 Ki 1.04x). From 48 Ki rows, `bench-count --slice`, one thread, the
// count alone: 4 x 32,000 1.63 s at 256 Ki (512 Ki 1.74 s); 4 x 48,000
// 2.78 s at 512 Ki (256 Ki 3.17 s); 4 x 64,000 4.34 s at 512 Ki (256 Ki
// 6.02 s, 1 Mi 4.62 s); 4 x 96,000 8.6 s at 1 Mi (512 Ki 10.6 s, 256 Ki
// 24.0 s); 4 x 128,000 14.4 s at 1 Mi (2 Mi 15.8 s, 512 Ki 22.8 s, 256 Ki
// 65 s). docs/PERFORMANCE.md, "2026-12-10: slices past 4 x 64,000".
std::uint64_t slice_for(std::uint64_t rows)
{
    if (rows >= 3 * (std::uint64_t{1} << 14))
        return std::clamp<std::uint64_t>(std::bit_ceil(4 * rows), 2 * usual_slice, 8 * usual_slice);
    return std::clamp<std::uint64_t>(std::bit_ceil(8 * rows), least_slice, usual_slice);
}

// The rows of both sides: the shorter list of each.
std::uint64_t rows_of(const Prepared& r) { return r.heads.rows.size() + r.tails.rows.size(); }
std::uint64_t slice_for(const Prepared& r) { return slice_for(rows_of(r)); }

// Estimated cost a thread must have to be worth starting: a record that
// costs less is counted on one thread. Gain, against every CPU's thread for
// every record (AMD EPYC family 26 model 2, Zen 5, 2 cores, 11 pairs in
// alternation): 20,000 records of 4 lists of 20 in [0, 10^6] take 0.13x the
// time. One thread against two (21 pairs): 4 lists of 1,500 wide (4.8 ms
// estimated) 0.86x, of 2,000 (8.5 ms) 0.92x, of 3,000 (19 ms) 1.09x; so
// two from 16 ms.
constexpr double worth_threads = 8e6;

// Costs are estimated nanoseconds on one core. The constants come from
// `bench/run.sh costs`, which times every method on the benchmark's records
// beside its estimate, and from `bench-count --method M --threads 1` on
// records chosen for each constant: the lookups' on AMD EPYC family 25 model
// 17 (Zen 4, AVX-512), the histograms' and slices' on AMD EPYC family 26
// model 2 (Zen 5, AVX-512).

// A side's histogram of transform length n: three transforms of n log n
// butterflies per prime, one prime per 2^31 of the bound on its entries, and
// a few passes over n. Fitted to the fastest of 3 x 3 runs, huge pages
// granted at once: 4 x 32,000 in +-10^6 (2^22 entries) 0.10 s, in +-3 x 10^6
// (2^24) 0.48 s, 4 x 10^6 in [0, 10^6] (2^21, two primes) 0.097 s; each
// within 15% of the estimate. Where the kernel compacts memory to grant huge
// pages, a run takes up to 2.7x that (docs/PERFORMANCE.md).
double histogram_cost(const Side& side, std::size_t n)
{
    if (n == 0) return INFINITY;
    constexpr double per_butterfly = 0.45;
    constexpr double per_entry = 4;
    const double levels = std::countr_zero(n);  // n is a power of 2
    return primes(side) * double(n) * levels * per_butterfly + double(n) * per_entry;
}

// The side's histogram, its primes at once where the memory allows.
Histogram histogram(const Side& side, std::size_t n, unsigned threads, std::uint64_t memory)
{
    return make_histogram(side, made_bytes(n, primes(side), true) <= double(memory) ? threads : 1);
}

// Every head and tail made and counted, at `per_value` each, and every row
// visited once a slice of `slice` values. Fitted by `bench-count --method
// slices --threads 1` (AMD EPYC family 26 model 2, Zen 5): where heads are
// sparse (fewer than one in 8 values of their span), 4 x 2,000 to 4 x 20,000
// wide take 1.03 ns a value and 0.3 ns a row's visit, within 3%; where they
// are dense (one in 2 or more), slices count by value and take 0.42 ns:
// 4 x 64,000 wide 4.35 s (0.93x the estimate), 4 x 32,000 in +-10^8 0.86 s
// (0.85x); 4 x 32,000 wide, one in 4, 1.63 s (1.0x) between the two.
constexpr double sparse_value = 1.03, dense_value = 0.42, per_row = 0.3;
double slices_cost(double values, std::uint64_t rows, std::uint64_t slice, double per_value)
{
    double slices = values / double(slice) + 1;
    return values * per_value + slices * double(rows) * per_row;
}
double slices_cost(const Prepared& r)
{
    // Heads a value of their span: from one in 8 to one in 2, the cost a
    // value goes from sparse to dense, evenly on a log scale.
    const double density = r.heads.size() / (double(r.heads.max()) - double(r.heads.min()) + 1);
    const double dense = density <= 0.125 ? 0 : density >= 0.5 ? 1 : std::log2(density * 8) / 2;
    return slices_cost(r.heads.size() + r.tails.size(), rows_of(r), slice_for(r),
                       sparse_value + (dense_value - sparse_value) * dense);
}

// Every value of one side against the other's histogram.
constexpr double per_histogram_lookup = 1.5;  // 4 x 2,000 in [0, 1000], the method forced

u128 by_slices(const Prepared& r, const Attempt& a, const Tuning& tuning, Progress* p)
{
    std::uint64_t slice = std::min(a.slice_elements, std::max(fewest_slice_elements, r.memory / (slice_bytes * a.threads)));
    return count_by_slices(r.heads, r.tails, r.Limit, slice, tuning.share, a.threads, tuning.count_path, p);
}

u128 by_histograms(const Prepared& r, unsigned threads, Progress* progress)
{
    // Both sides made at once where the memory allows, else in turn.
    Histogram h[2];
    expect(progress, 2);
    double both = made_bytes(r.heads_n, primes(r.heads), false) + made_bytes(r.tails_n, primes(r.tails), false);
    unsigned sides = both <= double(r.memory) ? threads : 1;
    parallel_for(2, sides, [&](std::size_t i) {
        h[i] = make_histogram(i == 0 ? r.heads : r.tails, 1);
        advance(progress, 1);
    });
    return count_by_histograms(h[0], h[1], r.Limit);
}

// The methods: what each is called, whether it makes a histogram, what it
// costs, how it counts.
struct Way {
    Method method;
    const char* name;
    bool histogram;
    double (*cost)(const Prepared&);
    u128 (*count)(const Prepared&, const Attempt&, const Tuning&, Progress*);
};

const Way ways[] = {
    {Method::slices, "slices", false, [](const Prepared& r) { return slices_cost(r); }, by_slices},
    {Method::by_heads, "by_heads", false,
     [](const Prepared& r) { return r.heads.size() * r.tails.lookup_cost(); },
     [](const Prepared& r, const Attempt& a, const Tuning& t, Progress* p) { return count_by_lookup(r.heads, r.tails, r.Limit, t.share, a.threads, p); }},
    {Method::by_tails, "by_tails", false,
     [](const Prepared& r) { return r.tails.size() * r.heads.lookup_cost(); },
     [](const Prepared& r, const Attempt& a, const Tuning& t, Progress* p) { return count_by_lookup(r.tails, r.heads, r.Limit, t.share, a.threads, p); }},
    {Method::histograms, "histograms", true,
     [](const Prepared& r) {
         return histogram_cost(r.heads, r.heads_n) + histogram_cost(r.tails, r.tails_n) + double(r.heads_n) * 2;
     },
     [](const Prepared& r, const Attempt& a, const Tuning&, Progress* p) { return by_histograms(r, a.threads, p); }},
    {Method::histogram_heads, "histogram_heads", true,
     [](const Prepared& r) { return histogram_cost(r.heads, r.heads_n) + r.tails.size() * per_histogram_lookup; },
     [](const Prepared& r, const Attempt& a, const Tuning& t, Progress* p) {
         return count_by_lookup(r.tails, histogram(r.heads, r.heads_n, a.threads, r.memory), r.Limit, t.share, a.threads,
                                p);
     }},
    {Method::histogram_tails, "histogram_tails", true,
     [](const Prepared& r) { return histogram_cost(r.tails, r.tails_n) + r.heads.size() * per_histogram_lookup; },
     [](const Prepared& r, const Attempt& a, const Tuning& t, Progress* p) {
         return count_by_lookup(r.heads, histogram(r.tails, r.tails_n, a.threads, r.memory), r.Limit, t.share, a.threads,
                                p);
     }},
};

const Way& way_of(Method method)
{
    return *std::find_if(std::begin(ways), std::end(ways), [&](const Way& w) { return w.method == method; });
}

Prepared record(const std::array<List, 4>& lists, std::int64_t Limit, const Tuning& tuning, std::uint64_t memory)
{
    Prepared r{Side(lists[0], lists[1], false), Side(lists[2], lists[3], true), 0, 0,
             // Every partial sum is below 2^35 in size, so a budget clamped
             // to +-2^40 decides every comparison alike, and Limit minus a
             // sum cannot overflow.
             std::clamp(Limit, -(std::int64_t{1} << 40), std::int64_t{1} << 40), memory};
    // A side has a histogram only where it fits, made with the primes in
    // turn, in the whole room that the memory is the fair share (half) of:
    // counting it any other way may take hours.
    constexpr double whole_room = 2;
    for (auto [side, n] : {std::pair{&r.heads, &r.heads_n}, std::pair{&r.tails, &r.tails_n}}) {
        *n = histogram_length(*side, tuning.max_transform);
        if (made_bytes(*n, primes(*side), false) > whole_room * double(memory)) *n = 0;
    }
    return r;
}

// The method that counts as `want` does without a histogram: the same
// outer side, against the other side itself.
Method twin(Method want)
{
    return want == Method::histogram_tails ? Method::by_heads : want == Method::histogram_heads ? Method::by_tails : want;
}

// The method `want`, or the cheapest where it is `cheapest` or cannot count
// this record; and its cost. A share of a split count (`split`) keeps to
// `want`, or its twin where `want` cannot count it: every part must split
// the record alike.
std::pair<const Way*, double> choose(const Prepared& r, Method want, bool split)
{
    if (split) {
        const Way& way = std::isfinite(way_of(want).cost(r)) ? way_of(want) : way_of(twin(want));
        return {&way, way.cost(r)};
    }
    std::pair<const Way*, double> best{nullptr, INFINITY};
    for (const Way& way : ways) {
        double cost = way.cost(r);
        if (way.method == want && std::isfinite(cost)) return {&way, cost};
        if (best.first == nullptr || cost < best.second) best = {&way, cost};
    }
    return best;
}

// Threads worth starting for a count of estimated cost `cost`: one for each
// worth_threads of it, at most `most`.
unsigned threads_for(double cost, unsigned most)
{
    return static_cast<unsigned>(std::clamp(cost / worth_threads, 1.0, double(std::max(most, 1u))));
}

// A record counted by a method that makes no histogram, with fewer values
// than this, takes a few MiB beside its lists: it is not planned against
// the room the process has, which costs a few system calls to read.
constexpr double few_values = 1e7;

// Bytes the count of `r` by `way` takes beside its lists, on one thread: a
// figure for the diagnostic when memory runs short.
double working_bytes(const Prepared& r, const Way& way)
{
    switch (way.method) {
    case Method::histograms:
        return made_bytes(r.heads_n, primes(r.heads), false) + made_bytes(r.tails_n, primes(r.tails), false);
    case Method::histogram_heads: return made_bytes(r.heads_n, primes(r.heads), false);
    case Method::histogram_tails: return made_bytes(r.tails_n, primes(r.tails), false);
    case Method::slices: return double(slice_bytes * slice_for(r));
    default: return 0;
    }
}

// Out of memory, said with what the record needs counted by `way` and what
// the process may have.
io::Shortage short_of_memory(const std::array<List, 4>& lists, const Prepared& r, const Way& way, const Tuning& t)
{
    double lists_bytes = 0;
    for (const List& l : lists) lists_bytes += 4.0 * double(l.size());
    return io::Shortage(shortage(t.record, lists_bytes + working_bytes(r, way), t.room ? *t.room : room()));
}

// A record that the room leaves only a far slower way to count is out of
// memory: better said at once than after hours. Far slower: ten times the
// time it would take without the limit, and more than ten seconds.
constexpr double far_factor = 10, far_floor_ns = 1e10;
bool far_slower(double cost, double than) { return cost > std::max(far_factor * than, far_floor_ns); }

// The record as the count takes it, the most threads it may start, and the
// method chosen with its cost: within the memory the tuning gives, or, where
// its method needs more than a few MiB, within the room the process has, the
// threads' stacks counted.
struct Plan {
    Prepared r;
    unsigned most;
    const Way* way;
    double cost;
};

Plan planned(const std::array<List, 4>& lists, std::int64_t Limit, const Tuning& tuning)
{
    unsigned most = thread_count(tuning.threads != 0 ? tuning.threads : tuning.parallel);
    Prepared r = record(lists, Limit, tuning, tuning.memory != 0 ? tuning.memory : most_memory);
    const bool split = tuning.share.n > 1;
    auto [way, cost] = choose(r, tuning.method, split);
    if (tuning.memory != 0 || (!way->histogram && r.heads.size() + r.tails.size() < few_values))
        return {r, most, way, cost};
    Room now = tuning.room ? *tuning.room : room();
    if (tuning.threads == 0) most = threads_within(now.address_space, most);
    Prepared fitted = record(lists, Limit, tuning, budget(now, most_memory, most));
    auto [fitted_way, fitted_cost] = choose(fitted, tuning.method, split);
    if (far_slower(fitted_cost, cost)) throw short_of_memory(lists, r, *way, tuning);
    return {fitted, most, fitted_way, fitted_cost};
}

// The try after `failed` ran short of memory, or none: a histogram made
// again on one thread, then its twin in a split count, else slices in its
// place unless they would take far longer than its estimated `cost`;
// slices halved, down to a floor.
std::optional<Attempt> after_shortage(const Attempt& failed, double cost, const Prepared& r, bool split)
{
    if (way_of(failed.method).histogram) {
        if (failed.threads > 1) return Attempt{failed.method, 1, failed.slice_elements};
        Method next = split ? twin(failed.method) : Method::slices;
        if (next == failed.method || far_slower(way_of(next).cost(r), cost)) return std::nullopt;
        return Attempt{next, failed.threads, failed.slice_elements};
    }
    if (failed.method != Method::slices || failed.slice_elements <= fewest_slice_elements) return std::nullopt;
    return Attempt{Method::slices, failed.threads, failed.slice_elements / 2};
}

// How a part of a split count takes a record. The choice depends on the
// record and the number of parts alone, never on the machine, so every part
// takes it alike: the method chosen within the memory planned when none is
// given. Slices and the lookups split (count_by_slices and count_by_lookup
// say how); the histograms, and a record whose share would cost less than
// `split_from`, are counted whole by the part whose turn it is by record
// number. Returns whether this part counts the record, with `t` set to
// count its share.
// Whether this part is the one whose turn record t.record is.
bool my_turn(const Tuning& t) { return t.record % t.share.n == t.share.k; }
// Whether a record of estimated cost `cost` is too small to split among the parts.
bool too_small_to_split(double cost, const Tuning& t) { return cost / t.share.n < t.split_from; }

bool take_share(const std::array<List, 4>& lists, std::int64_t Limit, Tuning& t)
{
    auto [way, cost] = choose(record(lists, Limit, t, most_memory), t.method, false);
    if (way->method == Method::histograms || too_small_to_split(cost, t)) {
        const bool mine = my_turn(t);
        t.share = {};
        return mine;
    }
    t.method = way->method;
    return true;
}

}  // namespace

bool goes_elsewhere(const std::array<std::uint64_t, 4>& sizes, const Tuning& t)
{
    if (t.share.n <= 1 || my_turn(t)) return false;
    if (t.method != Method::cheapest && t.method != Method::slices) return false;
    // The cheapest method costs at most what slices cost, which the sizes
    // bound: a record too small to split goes whole to the part whose turn
    // it is (take_share()). The bound takes the smallest slice and the
    // dearer cost a value, so that it grows with every size: a record cut
    // short by the end of its input is counted with fewer elements than its
    // header says, never more.
    const double values = double(sizes[0]) * double(sizes[1]) + double(sizes[2]) * double(sizes[3]);
    const std::uint64_t rows = std::min(sizes[0], sizes[1]) + std::min(sizes[2], sizes[3]);
    return too_small_to_split(slices_cost(values, rows, least_slice, sparse_value), t);
}

void prepare(std::array<List, 4>& lists, const Tuning& tuning)
{
    for (auto& l : lists) sort_ascending(l, tuning.sort_path);
    for (auto& x : lists[3]) x = std::max(x, 0);
}

std::vector<Estimate> estimate(const std::array<List, 4>& lists, std::int64_t Limit, const Tuning& tuning)
{
    std::vector<Estimate> all;
    if (std::any_of(lists.begin(), lists.end(), [](const List& l) { return l.empty(); })) return all;
    Prepared r = planned(lists, Limit, tuning).r;
    for (const Way& way : ways) all.push_back({way.method, way.name, way.cost(r)});
    return all;
}

Method chosen(const std::array<List, 4>& lists, std::int64_t Limit, const Tuning& tuning)
{
    return planned(lists, Limit, tuning).way->method;
}

const char* method_name(Method method)
{
    for (const Way& way : ways)
        if (way.method == method) return way.name;
    return "cheapest";
}

u128 count_picks(std::array<List, 4>& lists, std::int64_t Limit, const Tuning& tuning)
{
    if (std::any_of(lists.begin(), lists.end(), [](const List& l) { return l.empty(); })) return 0;
    prepare(lists, tuning);
    return count_ready(lists, Limit, tuning);
}

u128 count_ready(const std::array<List, 4>& lists, std::int64_t Limit, const Tuning& tuning)
{
    Tuning t = tuning;
    if (t.share.n > 1 && !take_share(lists, Limit, t)) return 0;
    auto [r, most, way, cost] = planned(lists, Limit, t);
    const double share_cost = cost / t.share.n;
    Attempt a{way->method, t.threads != 0 ? t.threads : threads_for(share_cost, most),
              t.slice_elements != 0 ? t.slice_elements : slice_for(r)};
    Progress progress;
    StatusLine status(t.record, t.record == 0 ? 0 : share_cost * 1e-9 / a.threads, progress);
    Progress* const reported = status.shown() ? &progress : nullptr;
    for (;;) {
        try {
            progress.restart();
            if (t.attempting) t.attempting(a);
            return way_of(a.method).count(r, a, t, reported);
        } catch (const std::bad_alloc&) {
            std::optional<Attempt> next = after_shortage(a, cost, r, t.share.n > 1);
            if (!next) throw short_of_memory(lists, record(lists, Limit, t, most_memory), *way, t);
            a = *next;
        }
    }
}

}  // namespace quadcount
