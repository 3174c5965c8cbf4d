// quadcount: the count against brute force, the wide count's digits, and the
// whole record loop against the straightforward design.
#include "budget.hpp"
#include "count.hpp"
#include "cpus.hpp"
#include "proc.hpp"
#include "highway.hpp"
#include "methods.hpp"
#include "ntt.hpp"
#include "radix_sort.hpp"
#include "parallel.hpp"
#include "in_memory.hpp"
#include "input.hpp"
#include "output.hpp"
#include "shortage.hpp"
#include "quadcount_ref.hpp"
#include "records.hpp"
#include "slice_kernels.hpp"
#include "sort.hpp"
#include "sum.hpp"
#include "threads.hpp"

#include <gtest/gtest.h>
#include <hwy/targets.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <sched.h>
#include <sys/resource.h>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace {

using quadcount::List;
using quadcount::Method;
using quadcount::u128;
using quadcount::Wide;
using testing_support::threads;
__extension__ typedef __int128 i128;

// Every pick, every running total checked, in 128-bit arithmetic.
u128 brute(const std::array<List, 4>& l, std::int64_t Limit)
{
    u128 n = 0;
    for (i128 x1 : l[0])
        for (i128 x2 : l[1])
            for (i128 x3 : l[2])
                for (i128 x4 : l[3])
                    n += x1 + x2 <= Limit && x1 + x2 + x3 <= Limit && x1 + x2 + x3 + x4 <= Limit;
    return n;
}

std::int32_t random_element(std::mt19937_64& rng)
{
    switch (rng() % 4) {
    case 0: return static_cast<std::int32_t>(rng() % 11) - 5;  // many duplicates
    case 1: return rng() % 2 ? INT32_MIN : INT32_MAX;
    case 2: return static_cast<std::int32_t>(rng() % 2001) - 1000;
    default: return static_cast<std::int32_t>(rng());
    }
}

std::int64_t random_limit(std::mt19937_64& rng)
{
    switch (rng() % 5) {
    case 0: return static_cast<std::int64_t>(rng() % 41) - 20;
    case 1: return rng() % 2 ? INT64_MIN : INT64_MAX;
    case 2: {  // within a few 2^32 of either end
        std::int64_t near = static_cast<std::int64_t>(rng() % 5) << 32;
        return rng() % 2 ? INT64_MIN + near : INT64_MAX - near;
    }
    case 3: return static_cast<std::int64_t>(rng() % (1ULL << 34)) - (1LL << 33);
    default: return static_cast<std::int64_t>(rng());
    }
}

const Method every_method[] = {Method::cheapest,   Method::slices,           Method::by_heads,
                               Method::by_tails,   Method::histograms,      Method::histogram_heads,
                               Method::histogram_tails};

// Every vector path for sorting and for counting by slices, in turn.
const std::vector<std::int64_t> sort_paths = quadcount::sort_paths(), slice_paths = quadcount::slice_paths();

// Every sort path, on lists at the edges of the short sorts' lengths (16
// vectors), and longer ones (a radix sort from 128 keys below calibrate_from), with
// Highway's library loaded when it is first needed.
TEST(Sort, EveryPathSortsWithTheLibraryLoaded)
{
    std::mt19937_64 rng(12);
    for (std::size_t n : {0u, 1u, 2u, 3u, 17u, 20u, 63u, 64u, 65u, 127u, 128u, 129u, 255u, 256u, 257u, 1000u, 40000u}) {
        List keys(n);
        for (auto& x : keys) x = n % 2 ? random_element(rng) : static_cast<std::int32_t>(rng() % 5);  // or many equal
        List want = keys;
        std::sort(want.begin(), want.end());
        for (std::int64_t path : sort_paths) {
            List got = keys;
            quadcount::sort_ascending(got, path);
            ASSERT_EQ(got, want) << quadcount::path_name(path) << " n " << n;
        }
        List got = keys;
        quadcount::sort_ascending(got);
        ASSERT_EQ(got, want) << "the chosen path, n " << n;
    }
    EXPECT_TRUE(quadcount::vector_sort_loaded());
    // A path that is none (two targets at once), forced, is refused, for the sort and for
    // the count by slices alike.
    List keys(100, 1);
    EXPECT_THROW(quadcount::sort_ascending(keys, std::int64_t{3}), std::invalid_argument);
    EXPECT_THROW(quadcount::slices::kernels(std::int64_t{3}), std::invalid_argument);
}

// The radix sort on 64-bit keys (the sample's) of every span, from one value
// to the whole range, offset anywhere: each span ends its passes elsewhere.
TEST(Sort, RadixSortsKeysOfEverySpan)
{
    std::mt19937_64 rng(13);
    std::vector<std::int64_t> scratch;
    for (unsigned bits = 0; bits <= 64; ++bits) {
        for (std::size_t n : {2u, 3u, 300u, 5000u}) {
            std::vector<std::int64_t> keys(n);
            const std::uint64_t mask = bits == 64 ? ~0ULL : (1ULL << bits) - 1;
            const auto base = static_cast<std::int64_t>(bits == 64 ? 0 : rng() & ~mask);
            for (auto& k : keys) k = static_cast<std::int64_t>(static_cast<std::uint64_t>(base) + (rng() & mask));
            if (bits == 64) keys[0] = INT64_MIN, keys[1] = INT64_MAX;
            std::vector<std::int64_t> want = keys;
            std::sort(want.begin(), want.end());
            quadcount::radix_sort(std::span<std::int64_t>(keys), scratch);
            ASSERT_EQ(keys, want) << bits << " bits, n " << n;
        }
    }
}

// The targets found without Highway's library are those the library finds,
// among the ones the paths here are compiled for.
TEST(Cpu, TargetsAsHighwaysLibraryFindsThem)
{
    constexpr std::int64_t mirrored = HWY_AVX3 | HWY_AVX2 | HWY_SSE4 | HWY_SSSE3 | HWY_SVE | HWY_SVE2 |
                                      HWY_SVE_256 | HWY_SVE2_128;
    hwy::DisableTargets(0);  // undoes any sort's choice of a path
    EXPECT_EQ(machine::highway_paths() & mirrored, hwy::SupportedTargets() & mirrored);
    EXPECT_NE(machine::highway_paths() & HWY_STATIC_TARGET, 0);
}

TEST(CountPicks, EveryMethodAgreesWithBruteForce)
{
    std::mt19937_64 rng(20261208);
    for (int round = 0; round < 3000; ++round) {
        std::array<List, 4> lists;
        std::size_t most = round % 10 == 0 ? 14 : 6;
        bool narrow = round % 3 == 0;  // values the histogram methods can take
        for (auto& l : lists) {
            l.resize(rng() % (most + 1));
            for (auto& x : l) x = narrow ? static_cast<std::int32_t>(rng() % 61) - 30 : random_element(rng);
        }
        std::int64_t Limit = narrow && round % 2 ? static_cast<std::int64_t>(rng() % 121) - 60 : random_limit(rng);
        u128 want = brute(lists, Limit);
        for (Method method : every_method) {
            // Slices of one to five elements: a small record spans many.
            quadcount::Tuning tuning{.method = method,
                                     .slice_elements = 1 + rng() % 5,
                                     .threads = threads(1 + static_cast<unsigned>(rng() % 3)),
                                     .sort_path = sort_paths[round % sort_paths.size()],
                                     .count_path = slice_paths[round % slice_paths.size()]};
            auto copy = lists;
            ASSERT_TRUE(quadcount::count_picks(copy, Limit, tuning) == want)
                << "round " << round << " method " << static_cast<int>(method);
        }
    }
}

// A count split into parts: the n parts add up to the whole, for every
// method, split or answered whole by turn, on one to three threads.
TEST(CountPicks, PartsAddUpToTheWhole)
{
    std::mt19937_64 rng(28);
    for (int round = 0; round < 12; ++round) {
        std::array<List, 4> lists;
        for (auto& l : lists) {
            l.resize(1 + rng() % (round % 4 == 0 ? 8 : 300));
            for (auto& x : l) x = round % 3 ? random_element(rng) : static_cast<std::int32_t>(rng() % 200) - 50;
        }
        std::int64_t Limit = round % 3 ? random_limit(rng) : static_cast<std::int64_t>(rng() % 600) - 100;
        auto copy = lists;
        const u128 want = quadcount::count_picks(copy, Limit, {.method = Method::by_heads, .threads = 1});
        for (Method method : every_method)
            for (unsigned n : {1u, 2u, 3u, 7u, 64u}) {
                u128 sum = 0;
                const double split_from = round % 2 ? 0 : std::exp2(double(rng() % 24));  // alike in every part
                for (unsigned k = 0; k < n; ++k) {
                    copy = lists;
                    const quadcount::Tuning t{.method = method,
                                   .slice_elements = 1 + rng() % 4000,
                                   .threads = threads(1 + k % 3),
                                   .record = static_cast<std::uint64_t>(round),
                                   .share = {k, n},
                                   .split_from = split_from};
                    const u128 part = quadcount::count_picks(copy, Limit, t);
                    // A part that reads past the record must be one that answers 0.
                    if (quadcount::goes_elsewhere({lists[0].size(), lists[1].size(), lists[2].size(), lists[3].size()}, t)) {
                        ASSERT_TRUE(part == 0) << "round " << round << " part " << k << " of " << n;
                    }
                    sum += part;
                }
                ASSERT_TRUE(sum == want) << "round " << round << " method " << static_cast<int>(method) << " parts " << n;
            }
    }
}

// Lists too long for brute force: the methods against one another, on many
// threads, with values spread narrow (many equal) and wide.
TEST(CountPicks, EveryMethodAgreesOnLargerLists)
{
    std::mt19937_64 rng(8);
    for (int round = 0; round < 24; ++round) {
        std::int32_t spread = round % 2 ? 1000 : 1'000'000'000;
        std::array<List, 4> lists;
        for (auto& l : lists) {
            l.resize(50 + rng() % 250);
            for (auto& x : l) x = static_cast<std::int32_t>(rng() % (2 * spread + 1)) - spread / 4;
        }
        std::int64_t Limit = static_cast<std::int64_t>(rng() % (6 * std::uint64_t(spread)));
        auto copy = lists;
        u128 want = quadcount::count_picks(copy, Limit, {.method = Method::by_heads, .threads = 1});
        for (Method method : every_method) {
            copy = lists;
            quadcount::Tuning tuning{.method = method,
                                     .slice_elements = 1 + rng() % 4000,
                                     .threads = threads(4),
                                     .count_path = slice_paths[round % slice_paths.size()]};
            ASSERT_TRUE(quadcount::count_picks(copy, Limit, tuning) == want)
                << "round " << round << " method " << static_cast<int>(method);
        }
    }
}

TEST(CountPicks, SmallRecordsByEveryMethod)
{
    struct {
        std::array<List, 4> lists;
        std::int64_t Limit;
        u128 want;
    } cases[] = {
        {{List{0}, List{10}, List{-5}, List{0}}, 5, 0},             // over after two picks, not after four
        {{List{5}, List{-5}, List{0}, List{0}}, 0, 1},              // the first pick alone is not checked
        {{List{1, 1}, List{1}, List{1}, List{0}}, 3, 2},            // equal values are distinct picks
        // Tails far below 0 count as 0, at the top of the value line.
        {{List{0, 1, 2}, List{0, 3}, List{INT32_MIN, -1'000'000'000, 3}, List{0, 1}}, 5, 29},
        {{List{0, 1, 2}, List{0, 3}, List{INT32_MIN, -1'000'000'000, 3}, List{0, 1}}, 3, 17},
    };
    for (const auto& c : cases)
        for (Method method : every_method)
            for (std::int64_t path : slice_paths) {
                auto lists = c.lists;
                EXPECT_TRUE(quadcount::count_picks(lists, c.Limit, {.method = method, .count_path = path}) == c.want)
                    << "Limit " << c.Limit << " method " << static_cast<int>(method) << " path " << path;
            }
}

// Lists of `n` values in [lo, hi].
List random_list(std::mt19937_64& rng, std::size_t n, std::int32_t lo, std::int32_t hi)
{
    List l(n);
    for (auto& x : l) x = lo + static_cast<std::int32_t>(rng() % static_cast<std::uint64_t>(hi - lo + 1));
    return l;
}

// A side's values at most v, row by row and in all, by bisection and by the
// walk (lists from 64 values), floored or not: as brute force counts them.
TEST(Sides, AtMostAsBruteForce)
{
    std::mt19937_64 rng(5);
    for (int round = 0; round < 200; ++round) {
        List a = random_list(rng, 1 + rng() % 200, -40, 40), b = random_list(rng, 1 + rng() % 200, -40, 40);
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        const quadcount::Side side(a, b, round % 2 == 1);
        for (std::int64_t v = -90; v <= 90; v += 1 + static_cast<std::int64_t>(rng() % 3)) {
            std::uint64_t want = 0;
            std::vector<std::uint64_t> by_row(side.rows.size());
            side.at_most_by_row(v, [&](std::size_t i, std::uint64_t n) { by_row[i] = n; });
            for (std::size_t i = 0; i < side.rows.size(); ++i) {
                std::uint64_t row = 0;
                for (std::int32_t y : side.cols) row += side.value(side.rows[i], y) <= v;
                ASSERT_EQ(by_row[i], row) << "round " << round << " v " << v << " row " << i;
                want += row;
            }
            ASSERT_EQ(side.at_most(v), want) << "round " << round << " v " << v;
        }
    }
}

// Each typical shape gets a method of the kind that counts it in time that
// grows slowest: lopsided records a lookup by the long side, narrow values a
// histogram, wide values none.
TEST(CountPicks, TypicalShapesGetTheirKindOfMethod)
{
    std::mt19937_64 rng(15);
    auto list = [&](std::size_t n, std::int32_t lo, std::int32_t hi) { return random_list(rng, n, lo, hi); };
    const std::int32_t wide = 1'000'000'000;
    using M = Method;
    struct {
        std::array<List, 4> lists;
        std::int64_t Limit;
        std::vector<Method> fit;
    } cases[] = {
        {{list(2000, -wide, wide), list(2000, -wide, wide), list(2000, -wide, wide), list(2000, -wide, wide)}, 0,
         {M::slices, M::by_heads, M::by_tails}},
        {{list(2000, 0, 1000), list(2000, 0, 1000), list(2000, 0, 1000), list(2000, 0, 1000)}, 3900,
         {M::histograms, M::histogram_heads, M::histogram_tails}},
        {{list(100'000, -wide, wide), list(100'000, -wide, wide), list(1, -wide, wide), list(1, -wide, wide)}, 0,
         {M::by_tails}},
        {{list(1, -wide, wide), list(1, -wide, wide), list(100'000, -wide, wide), list(100'000, -wide, wide)}, 0,
         {M::by_heads}},
    };
    for (auto& c : cases) {
        quadcount::prepare(c.lists);
        Method got = quadcount::chosen(c.lists, c.Limit);
        EXPECT_NE(std::find(c.fit.begin(), c.fit.end(), got), c.fit.end()) << quadcount::method_name(got);
    }
}

// What follows a shortage, each try made to run short in turn: every step
// asks for less memory than the one before (fewer threads, no histogram, or
// smaller slices), the steps end, and any step that succeeds counts right.
// Where only a far slower way would fit, out of memory at once.
TEST(CountPicks, ShortOfMemoryEachStepAsksLess)
{
    using quadcount::Attempt;
    std::mt19937_64 rng(16);
    std::array<List, 4> small, lopsided;  // narrow values; the second with 4 x 10^10 heads and tails
    for (std::size_t i = 0; i < 4; ++i) {
        small[i] = random_list(rng, 300, 0, 1000);
        lopsided[i] = random_list(rng, 200'000, 0, 1000);
    }
    quadcount::prepare(small);
    quadcount::prepare(lopsided);
    const u128 want = quadcount::count_ready(small, 1500, {.method = Method::by_heads});
    const machine::Room ample{}, none{0, 0, 0};
    auto histogram = [](const Attempt& a) { return a.method != Method::slices && a.method != Method::by_heads && a.method != Method::by_tails; };
    auto asks_less = [&](const Attempt& a, const Attempt& b) {
        return b.threads < a.threads || (histogram(a) && !histogram(b)) ||
               (a.method == b.method && b.threads == a.threads && b.slice_elements < a.slice_elements);
    };
    for (int failures = 0;; ++failures) {
        std::vector<Attempt> seen;
        auto note = [&](const Attempt& a) {
            seen.push_back(a);
            if (static_cast<int>(seen.size()) <= failures) throw std::bad_alloc();
        };
        bool counted = false;
        // Two threads, which start only where no try fails (not under an
        // emulator that cannot run them): after a shortage, tries take one.
        const unsigned two = failures == 0 ? threads(2) : 2;
        try {
            counted = quadcount::count_ready(small, 1500, {.threads = two, .room = ample, .attempting = note}) == want;
            EXPECT_TRUE(counted) << "after " << failures << " shortages";
        } catch (const std::bad_alloc&) {
        }
        for (std::size_t k = 1; k < seen.size(); ++k)
            EXPECT_TRUE(asks_less(seen[k - 1], seen[k])) << quadcount::method_name(seen[k].method) << " after "
                                                         << failures << " shortages";
        if (!counted) break;
        ASSERT_LT(failures, 40) << "the steps do not end";
    }
    // Slices would take far longer than the histograms: out of memory after
    // the histograms' steps alone.
    std::vector<Attempt> last;
    auto note = [&](const Attempt& a) {
        last.push_back(a);
        throw std::bad_alloc();
    };
    EXPECT_THROW(quadcount::count_ready(lopsided, 3000, {.threads = 2, .attempting = note}), std::bad_alloc);
    for (const Attempt& a : last) EXPECT_TRUE(histogram(a)) << quadcount::method_name(a.method);
    // No room for a histogram: out of memory before any try, said with what
    // the record needs and what the room is.
    try {
        quadcount::chosen(lopsided, 3000, {.record = 7, .room = none});
        ADD_FAILURE() << "counted without room";
    } catch (const io::Shortage& e) {
        EXPECT_TRUE(std::regex_match(e.detail, std::regex("record 7 needs about [0-9.]+ [KMG]iB, and the process "
                                                          "may have 0 bytes \\(its address space left under ulimit -v\\)")))
            << e.detail;
    }
    EXPECT_NE(quadcount::chosen(lopsided, 3000, {.room = ample}), Method::slices);
}

// The transform's entries are exact on either side of the bounds where it
// must take one more prime (2013265921, then 2013265921 x 754974721), and
// up to the largest entry two 32-bit bins can make.
TEST(Convolve, ExactAtThePrimeEdges)
{
    const std::uint64_t p1 = 2013265921, p2 = 754974721;
    const std::pair<std::uint32_t, std::uint32_t> edges[] = {
        {15u << 13, 1u << 14}, {1, static_cast<std::uint32_t>(p1)}, {static_cast<std::uint32_t>(p1), 755},
        {static_cast<std::uint32_t>(p1), static_cast<std::uint32_t>(p2)}, {UINT32_MAX, UINT32_MAX}};
    std::mt19937_64 rng(3);
    for (int round = 0; round < 10; ++round) {
        auto [x, y] = edges[round / 2];
        std::size_t pad = round % 2 ? 300 : 0;  // alone, the entry is the bound itself
        std::vector<std::uint32_t> a(1 + rng() % (pad + 1)), b(1 + rng() % (pad + 1));
        a[rng() % a.size()] = x, b[rng() % b.size()] = y;  // the rest stays small
        for (auto* v : {&a, &b})
            for (auto& e : *v) e = e ? e : static_cast<std::uint32_t>(rng() % 3);
        std::vector<u128> want(a.size() + b.size() - 1);
        for (std::size_t i = 0; i < a.size(); ++i)
            for (std::size_t j = 0; j < b.size(); ++j) want[i + j] += u128{a[i]} * b[j];
        for (bool vectorized : {false, true}) {
            auto got = quadcount::convolve(a, b, threads(2), vectorized);
            ASSERT_EQ(got.size(), want.size());
            for (std::size_t i = 0; i < got.size(); ++i)
                ASSERT_TRUE(got[i] == want[i]) << x << " " << y << " at " << i << (vectorized ? " vectorized" : "");
        }
    }
}

// The longest transform the primes allow, 2^24, with entries past one prime:
// sparse inputs, so that the product is known without the transform.
TEST(Convolve, ExactAtTheLongestTransform)
{
    const std::size_t half = std::size_t{1} << 23;
    std::vector<std::uint32_t> a(half), b(half);
    std::mt19937_64 rng(24);
    for (auto* v : {&a, &b}) {
        (*v)[half - 1] = 123'456;
        for (int k = 0; k < 8; ++k) (*v)[rng() % half] = 100'000 + static_cast<std::uint32_t>(rng() % 100'000);
    }
    std::vector<std::size_t> ia, ib;
    for (std::size_t i = 0; i < half; ++i) {
        if (a[i] != 0) ia.push_back(i);
        if (b[i] != 0) ib.push_back(i);
    }
    std::vector<u128> want(2 * half - 1);
    for (std::size_t i : ia)
        for (std::size_t j : ib) want[i + j] += u128{a[i]} * b[j];
    auto got = quadcount::convolve(a, b, threads(2));
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i) ASSERT_TRUE(got[i] == want[i]) << "at " << i;
}

// Millions of equal values in one bin: 9e12 heads equal to 0, past one prime.
TEST(CountPicks, ABinOfMillionsOfEqualValues)
{
    for (Method method : {Method::cheapest, Method::slices, Method::by_tails, Method::histograms,
                          Method::histogram_heads}) {  // the others visit every head
        std::array<List, 4> lists{List(3'000'000, 7), List(3'000'000, -7), List{0, 1}, List{-3, 0}};
        EXPECT_TRUE(quadcount::count_picks(lists, 0, {.method = method}) == u128{18'000'000'000'000})
            << static_cast<int>(method);
    }
}

// The plan's properties over random rooms: the working memory and the
// threads' stacks fit in the least room, never past the fixed figure; more
// room never plans less, more threads never more.
TEST(Budget, ThePlanFitsTheRoom)
{
    using machine::Room;
    constexpr std::uint64_t MiB = 1 << 20, most = 512 * MiB, none = Room::unlimited;
    std::mt19937_64 rng(29);
    auto some_room = [&] {
        std::uint64_t r = rng() % 4;
        return r == 0 ? none : (rng() % (r == 1 ? 4 * MiB : 20000 * MiB));
    };
    EXPECT_EQ(quadcount::budget({none, none, none}, most, 64), most);  // nothing known: the fixed figure
    for (int i = 0; i < 20000; ++i) {
        const Room room{some_room(), some_room(), some_room()};
        const unsigned threads = static_cast<unsigned>(rng() % 130);
        const std::uint64_t planned = quadcount::budget(room, most, threads);
        EXPECT_LE(planned, most);
        EXPECT_LE(planned, std::min(room.cgroup, room.available));
        if (room.address_space != none) {
            EXPECT_LE(planned + threads * quadcount::thread_bytes, std::max(room.address_space, threads * quadcount::thread_bytes));
        }
        Room more = room;
        more.available = room.available == none ? none : room.available + rng() % (100 * MiB);
        EXPECT_GE(quadcount::budget(more, most, threads), planned);
        EXPECT_LE(quadcount::budget(room, most, threads + 1), planned);
        // The threads' stacks take at most an eighth of the address space.
        const unsigned wanted = static_cast<unsigned>(rng() % 200);
        const unsigned fit = quadcount::threads_within(room.address_space, wanted);
        EXPECT_GE(fit, 1u);
        EXPECT_LE(fit, std::max(wanted, 1u));
        if (fit > 1 && room.address_space != none) {
            EXPECT_LE(fit * quadcount::thread_bytes, room.address_space / 8);
        }
        if (room.address_space == none) {
            EXPECT_EQ(fit, std::max(wanted, 1u));
        }
    }
    EXPECT_EQ(machine::address_space_left(200 * MiB, "2560 17 3\n", 4096), 190 * MiB);  // pages, not bytes
    EXPECT_EQ(machine::address_space_left(200 * MiB, "", 4096), 200 * MiB);
    EXPECT_EQ(machine::address_space_left(MiB, "2560 17 3\n", 4096), 0u);
    EXPECT_EQ(machine::address_space_left(RLIM_INFINITY, "2560\n", 4096), none);
    EXPECT_EQ(machine::bytes_in("max\n"), none);
    EXPECT_EQ(machine::bytes_in("314572800\n"), 314572800u);
    EXPECT_EQ(machine::available_in("MemTotal:  2048 kB\nMemAvailable:    1024 kB\n"), 1024u * 1024);
    EXPECT_EQ(machine::available_in("MemTotal:  2048 kB\n"), none);
}

// Sets the process's address space limit to `bytes`, keeping the old one
// in `old`; false, changing nothing, where the limit does not take (a hard
// limit below it, or an emulator that keeps limits to itself).
static bool limit_address_space(std::uint64_t bytes, rlimit& old)
{
    if (getrlimit(RLIMIT_AS, &old) != 0 || (old.rlim_max != RLIM_INFINITY && old.rlim_max < bytes)) return false;
    rlimit tight = old, now{};
    tight.rlim_cur = bytes;
    if (setrlimit(RLIMIT_AS, &tight) != 0) return false;
    if (getrlimit(RLIMIT_AS, &now) == 0 && now.rlim_cur == bytes) return true;
    setrlimit(RLIMIT_AS, &old);
    return false;
}

// The address space the process maps now, as the kernel reports it (VmSize,
// in KiB).
static std::uint64_t mapped()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmSize:", 0) == 0) return std::stoull(line.substr(7)) * 1024;
    return 0;
}

// The address space left under a real limit, against the kernel's own
// figure for what the process maps (VmSize, in KiB): so the pages are
// counted at the real page size.
TEST(Budget, AddressSpaceLeftUnderARealLimit)
{
    rlimit old{};
    const std::uint64_t room = 64 << 20;
    if (!limit_address_space(mapped() + room, old)) GTEST_SKIP() << "no address space limit can be set here";
    const std::uint64_t left = machine::address_space_room();
    setrlimit(RLIMIT_AS, &old);
    EXPECT_LE(left, room);
    EXPECT_GE(left, room - (8 << 20));  // what the process mapped in between
}

// Where no thread can be started (here: no address space left for a stack),
// parallel_for does every task on the calling thread, each once, and a task
// that throws still reaches the caller.
TEST(Parallel, WithoutThreadsTheCallerDoesEveryTask)
{
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
    GTEST_SKIP() << "AddressSanitizer needs address space of its own";
#endif
#endif
    if (threads(2) < 2) GTEST_SKIP() << "no threads here, where one that starts could hang";
    std::vector<std::thread::id> ran(1000);
    std::vector<int> times(ran.size());
    rlimit old{};
    if (!limit_address_space(mapped(), old)) GTEST_SKIP() << "no address space limit can be set here";
    bool threw = false;
    quadcount::parallel_for(ran.size(), 8, [&](std::size_t i) {
        ran[i] = std::this_thread::get_id();
        ++times[i];
    });
    try {
        quadcount::parallel_for(ran.size(), 8, [&](std::size_t i) {
            if (i == 500) throw std::runtime_error("task 500");
        });
    } catch (const std::runtime_error&) {
        threw = true;
    }
    setrlimit(RLIMIT_AS, &old);
    EXPECT_TRUE(threw);
    EXPECT_EQ(std::count(times.begin(), times.end(), 1), static_cast<long>(times.size()));
    EXPECT_EQ(std::count(ran.begin(), ran.end(), std::this_thread::get_id()), static_cast<long>(ran.size()));
}

// The CPU quota of a cgroup v2 tree: the least along the process's path,
// rounded up; the affinity mask caps the count.
TEST(Cpus, QuotaAlongTheCgroupPathTheCgroupsMemoryAndTheAffinityMask)
{
    EXPECT_EQ(machine::quota_cpus("max 100000\n"), 0u);
    EXPECT_EQ(machine::quota_cpus("200000 100000\n"), 2u);
    EXPECT_EQ(machine::quota_cpus("150000 100000\n"), 2u);
    EXPECT_EQ(machine::quota_cpus("50000 100000\n"), 1u);
    for (const char* junk : {"", "100000", "x 100000", "100000 0", "0 100000"})
        EXPECT_EQ(machine::quota_cpus(junk), 0u) << junk;
    EXPECT_EQ(machine::cgroup_folder("0::/a/b\n"), "/a/b");
    EXPECT_EQ(machine::cgroup_folder("12:cpu:/x\n0::/\n"), "/");
    EXPECT_EQ(machine::cgroup_folder("12:cpu:/x\n"), "");

    auto root = std::filesystem::temp_directory_path() / ("cpus-" + std::to_string(getpid()));
    std::filesystem::create_directories(root / "a/b/c");
    auto put = [&](const char* where, const char* text) { std::ofstream(root / where / "cpu.max") << text; };
    put("a", "400000 100000\n");
    put("a/b", "max 100000\n");
    put("a/b/c", "250000 100000\n");
    EXPECT_EQ(machine::cgroup_cpus(root.string(), "0::/a/b\n"), 4u);  // from the folder above
    EXPECT_EQ(machine::cgroup_cpus(root.string(), "0::/a/b/c\n"), 3u);  // the least on the way up
    EXPECT_EQ(machine::cgroup_cpus(root.string(), "0::/elsewhere\n"), 0u);
    put("", "100000 100000\n");  // the tree's root, as a container sees its own
    EXPECT_EQ(machine::cgroup_cpus(root.string(), "0::/a/b/c\n"), 1u);
    // The memory a cgroup has left, from the same tree.
    std::ofstream(root / "a/memory.max") << "300000000\n";
    std::ofstream(root / "a/memory.current") << "100000000\n";
    std::ofstream(root / "a/b/memory.max") << "max\n";
    EXPECT_EQ(machine::cgroup_memory_left(root.string(), "0::/a\n"), 200000000u);
    EXPECT_EQ(machine::cgroup_memory_left(root.string(), "0::/a/b\n"), 200000000u);  // the limit above
    EXPECT_EQ(machine::cgroup_memory_left(root.string(), "0::/elsewhere\n"), machine::Room::unlimited);
    EXPECT_EQ(machine::cgroup_memory_left(root.string(), "1:memory:/a\n"), machine::Room::unlimited);
    std::filesystem::remove_all(root);

    // Under a one-CPU affinity mask the count is 1.
    cpu_set_t all, one;
    ASSERT_EQ(sched_getaffinity(0, sizeof all, &all), 0);
    CPU_ZERO(&one);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
        if (CPU_ISSET(cpu, &all)) {
            CPU_SET(cpu, &one);
            break;
        }
    ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
    unsigned cpus = machine::affinity_cpus();
    sched_setaffinity(0, sizeof all, &all);
    EXPECT_EQ(cpus, 1u);
}

// The OpenMP variables as nproc(1), the independent judge, reads them: the
// same count from the same CPUs for each pair of values.
TEST(Cpus, OpenMPVariablesAsNprocReadsThem)
{
    auto nproc = [](const std::string& env) {
        std::string command = "env -u OMP_NUM_THREADS -u OMP_THREAD_LIMIT " + env + " nproc 2>/dev/null";
        FILE* p = popen(command.c_str(), "r");
        unsigned long long n = 0;
        if (p == nullptr || std::fscanf(p, "%llu", &n) != 1) n = 0;
        if (p != nullptr) pclose(p);
        return static_cast<unsigned>(std::min<unsigned long long>(n, 1u << 20));
    };
    const unsigned cpus = nproc("");
    if (cpus == 0) GTEST_SKIP() << "no nproc to compare with";
    const char* values[] = {nullptr, "", "3", "64", "0", "-2", "x", "4,2", "2x", " 5", "+5", "6 ,1", "99999999999999999999"};
    for (const char* threads : values)
        for (const char* limit : values) {
            std::string env;
            if (threads != nullptr) env += "OMP_NUM_THREADS='" + std::string(threads) + "' ";
            if (limit != nullptr) env += "OMP_THREAD_LIMIT='" + std::string(limit) + "' ";
            unsigned want = nproc(env);  // a count past 2^20 is taken as 2^20
            EXPECT_EQ(machine::openmp_threads(cpus, threads, limit), want) << env;
        }
}

TEST(Wide, PrintsExactDecimal)
{
    EXPECT_EQ(Wide(0).str(), "0");
    EXPECT_EQ(Wide(10'000'000'000'000'000'000ULL).str(), "10000000000000000000");
    Wide big = u128(1) << 64;
    EXPECT_EQ(big.str(), "18446744073709551616");
    Wide most = INT64_MAX;
    for (int i = 0; i < 3; ++i) most *= INT64_MAX;  // (2^63 - 1)^4
    EXPECT_EQ(most.str(),
              "7237005577332262210834635695349653859421902880380109739573089701262786560001");
    Wide sum = most;
    sum += Wide(1);
    EXPECT_EQ(sum.str(),
              "7237005577332262210834635695349653859421902880380109739573089701262786560002");
}

// Runs the record loop on `text`, served in pieces of `chunk` bytes.
std::string run(const std::string& text, std::size_t chunk)
{
    return testing_support::run_in_memory([](io::Input& in, io::Output& out) { quadcount::run(in, out); }, text, chunk);
}

// Random records in the shape of real input, now and then broken: junk,
// out-of-range numbers, signs, odd whitespace, negative counts, a cut end.
std::string random_input(std::mt19937_64& rng)
{
    const char* junk[] = {"x", "+", "-", "--1", "+-2", "0x10", "1.5", "007", "+8",
                          "99999999999", "-2147483649", "2147483648", "-9223372036854775809",
                          "9223372036854775808", "18446744073709551617", "\x80"};
    const char* space[] = {" ", "\n", "\t", "\r\n", "\v", "\f", "  "};
    std::string text;
    auto word = [&](const std::string& w) {
        text += w;
        text += space[rng() % 7];
    };
    int records = static_cast<int>(rng() % 4);
    for (int r = 0; r < records; ++r) {
        word(std::to_string(random_limit(rng)));
        std::int64_t counts[4];
        for (auto& c : counts) {
            c = static_cast<std::int64_t>(rng() % 6) - (rng() % 8 == 0 ? 3 : 0);
            word(std::to_string(c));
        }
        for (auto c : counts)
            for (std::int64_t i = 0; i < c; ++i) {
                if (rng() % 60 == 0)
                    word(junk[rng() % 16]);
                else
                    word(std::to_string(random_element(rng)));
            }
    }
    if (rng() % 4 == 0) text += rng() % 2 ? "0 0 0 0 0 9 9" : "7 0 0 0 0";
    if (rng() % 3 == 0) text.resize(rng() % (text.size() + 1));
    return text;
}

// The record loop with a chosen method, slices, threads and input parts.
quadcount::Tuning tuned;
void run_tuned(io::Input& in, io::Output& out) { quadcount::run_with(in, out, tuned); }

TEST(Records, MatchTheStraightforwardDesign)
{
    std::mt19937_64 rng(7);
    std::size_t lines = 0, nonzero = 0;
    for (int round = 0; round < 10000; ++round) {
        std::string text = random_input(rng);
        std::istringstream in(text);
        std::ostringstream want;
        ASSERT_TRUE(reference::quadcount(in, want, 1000));
        std::string expected = want.str();
        ASSERT_EQ(run(text, 1 + rng() % 17), expected) << "input: " << text;
        if (round % 4 == 0) {  // by any method, on two threads
            tuned = {.method = static_cast<Method>(round / 4 % 7),
                     .slice_elements = 1 + rng() % 5,
                     .threads = threads(2),
                     .max_transform = 1 << 12,
                     .count_path = slice_paths[round % slice_paths.size()]};
            ASSERT_EQ(testing_support::run_in_memory(run_tuned, text, 1 + rng() % 200), expected) << "input: " << text;
        }
        lines += static_cast<std::size_t>(std::count(expected.begin(), expected.end(), '\n'));
        nonzero += expected.find_first_of("123456789") != std::string::npos;
    }
    // The generator must keep producing records worth comparing.
    EXPECT_GT(lines, 10000u);
    EXPECT_GT(nonzero, 2000u);
}

// Every part of a split run answers every record, and the sum of the parts'
// lines is the whole run's output, counts past 2^64 and broken input included.
TEST(Records, PartsAddUpToTheWholeRun)
{
    std::mt19937_64 rng(2864);
    for (int round = 0; round < 400; ++round) {
        std::string text = random_input(rng) + (round % 5 ? "" : "0 1 9223372036854775807 4294967296 65536");
        const std::string whole = run(text, 1 + rng() % 64);
        for (unsigned n : {2u, 3u, 7u, 64u}) {
            std::vector<std::string> parts;
            for (unsigned k = 0; k < n; ++k) {
                tuned = {.threads = threads(1 + k % 2), .share = {k, n}, .split_from = round % 2 ? 0 : 8e6};
                parts.push_back(testing_support::run_in_memory(run_tuned, text, 1 + rng() % 64));
            }
            std::vector<std::string_view> views(parts.begin(), parts.end());
            auto sum = quadcount::sum_parts(views);
            ASSERT_TRUE(std::holds_alternative<std::string>(sum)) << "input: " << text;
            ASSERT_EQ(std::get<std::string>(sum), whole) << "input: " << text << " parts " << n;
        }
    }
}

// Parts that do not add up are refused, with the part and line at fault.
TEST(Records, PartsThatDoNotAddUpAreRefused)
{
    struct {
        std::vector<std::string_view> parts;
        std::size_t part, line;  // part SIZE_MAX: the sum succeeds
        std::string_view sum;
    } cases[] = {
        {{"1\n2\n", "3\n40\n"}, SIZE_MAX, 0, "4\n42\n"},
        {{"18446744073709551615\n", "18446744073709551615\n", "2\n"}, SIZE_MAX, 0, "36893488147419103232\n"},
        {{"999\n", "1\n", "0\n"}, SIZE_MAX, 0, "1000\n"},
        {{"", ""}, SIZE_MAX, 0, ""},
        {{"1\n2\n", "3\n"}, 1, 2, ""},        // stopped early
        {{"1\n", "3\n4\n"}, 0, 2, ""},
        {{"1\n2", "3\n4\n"}, 0, 2, ""},       // cut short in its last line
        {{"1\n-2\n", "3\n4\n"}, 0, 2, ""},   // not a count
        {{"1\n\n", "3\n4\n"}, 0, 2, ""},
        {{"1\n", "quadcount: out of memory\n"}, 1, 1, ""},
    };
    for (const auto& c : cases) {
        auto sum = quadcount::sum_parts(c.parts);
        if (c.part == SIZE_MAX) {
            ASSERT_TRUE(std::holds_alternative<std::string>(sum));
            EXPECT_EQ(std::get<std::string>(sum), c.sum);
        } else {
            ASSERT_TRUE(std::holds_alternative<quadcount::SumFault>(sum)) << c.parts[0];
            EXPECT_EQ(std::get<quadcount::SumFault>(sum).part, c.part) << c.parts[0];
            EXPECT_EQ(std::get<quadcount::SumFault>(sum).line, c.line) << c.parts[0];
        }
    }
}

TEST(Records, DeclaredCountsBeyondTheInputCostNothing)
{
    // Stand-ins take the last value read; the broken list keeps what it read.
    EXPECT_EQ(run("10 3 1 1 1 1 2", 4096), "3\n");
    // Counts near 2^63 multiply exactly.
    EXPECT_EQ(run("0 1 9223372036854775807 9223372036854775807 9223372036854775807", 4096),
              "784637716923335095224261902710254454442933591094742482943\n");
    // A negative count after the break reads nothing and contributes nothing.
    EXPECT_EQ(run("5 1 1 -1 1 x", 4096), "0\n");
}

// A long list cut short by the end of input and by text inside it: the
// stand-ins are the last value read, and 0 after text.
TEST(Records, LongListsCutShortMatchTheStraightforwardDesign)
{
    std::mt19937_64 rng(65536);
    std::string values;
    for (int i = 0; i < 70000; ++i) values += std::to_string(static_cast<int>(rng() % 21) - 5) + (i % 10 ? " " : "\n");
    const std::string inputs[] = {"-7 1 1 1 1 9 9 9 9\n10 70001 2 1 1 " + values,
                                  "10 70000 2 1 1 " + values.substr(0, 90001) + " x " + values.substr(90001)};
    tuned = {};
    for (const std::string& text : inputs) {
        std::istringstream in(text);
        std::ostringstream want;
        ASSERT_TRUE(reference::quadcount(in, want));
        EXPECT_EQ(testing_support::run_in_memory(run_tuned, text, 1 << 16), want.str());
    }
}

}  // namespace
