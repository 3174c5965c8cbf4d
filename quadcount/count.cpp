// Counting the picks that stay within a budget; see count.hpp.
#include "count.hpp"

#include <algorithm>
#include <cmath>
#include <span>

namespace quadcount {

namespace {

using Span = std::span<const std::int32_t>;

// Largest pair arrays the merge method may build, in elements (1 GiB).
constexpr double max_pair_elements = double(1 << 27);

// Pairs (x1, x2) from sorted s and m with x1 + x2 <= hledam.
std::uint64_t heads_within(Span s, Span m, std::int64_t hledam)
{
    std::uint64_t n = 0;
    std::size_t j = m.size();
    for (std::int64_t x1 : s) {
        while (j > 0 && x1 + m[j - 1] > hledam) --j;
        if (j == 0) break;
        n += j;
    }
    return n;
}

// Pairs (x3, x4) from sorted d and b with max(0, x3, x3 + x4) <= hledam2.
std::uint64_t tails_within(Span d, Span b, std::int64_t hledam2)
{
    if (hledam2 < 0) return 0;
    std::uint64_t n = 0;
    std::size_t j = b.size();
    for (std::int64_t x3 : d) {
        if (x3 > hledam2) break;
        while (j > 0 && x3 + b[j - 1] > hledam2) --j;
        n += j;
    }
    return n;
}

// Every head sum, sorted.
std::vector<std::int64_t> sorted_heads(Span s, Span m)
{
    std::vector<std::int64_t> out;
    out.reserve(s.size() * m.size());
    for (std::int64_t x1 : s)
        for (std::int64_t x2 : m) out.push_back(x1 + x2);
    std::sort(out.begin(), out.end());
    return out;
}

// Every tail value max(0, x3, x3 + x4), sorted.
std::vector<std::int64_t> sorted_tails(Span d, Span b)
{
    std::vector<std::int64_t> out;
    out.reserve(d.size() * b.size());
    for (std::int64_t x3 : d)
        for (std::int64_t x4 : b) out.push_back(std::max({std::int64_t{0}, x3, x3 + x4}));
    std::sort(out.begin(), out.end());
    return out;
}

// Pairs (head, tail) with head + tail <= Limit, by merging the sorted sides.
u128 count_by_merge(Span s, Span m, Span d, Span b, std::int64_t Limit)
{
    std::vector<std::int64_t> heads = sorted_heads(s, m);
    std::vector<std::int64_t> tails = sorted_tails(d, b);
    u128 n = 0;
    std::size_t j = heads.size();
    for (std::int64_t t : tails) {
        while (j > 0 && heads[j - 1] + t > Limit) --j;
        if (j == 0) break;
        n += j;
    }
    return n;
}

}  // namespace

u128 count_picks(std::array<List, 4>& lists, std::int64_t Limit, Method method)
{
    // Every partial sum is below 2^35 in size, so a budget clamped to
    // +-2^40 decides every comparison alike, and Limit minus a sum cannot
    // overflow.
    Limit = std::clamp(Limit, -(std::int64_t{1} << 40), std::int64_t{1} << 40);
    for (auto& l : lists) {
        if (l.empty()) return 0;
        std::sort(l.begin(), l.end());
    }
    Span s = lists[0], m = lists[1], d = lists[2], b = lists[3];
    double heads = double(s.size()) * double(m.size());
    double tails = double(d.size()) * double(b.size());
    double by_merge = (heads + tails) * (std::log2(heads + tails) + 1);
    double by_heads = heads * double(d.size() + b.size());
    double by_tails = tails * double(s.size() + m.size());

    if (method == Method::cheapest) {
        bool merge = heads + tails <= max_pair_elements && by_merge <= std::min(by_heads, by_tails);
        method = merge ? Method::merge : by_heads <= by_tails ? Method::by_heads : Method::by_tails;
    }
    if (method == Method::merge) return count_by_merge(s, m, d, b, Limit);
    u128 n = 0;
    if (method == Method::by_heads) {
        for (std::int64_t x1 : s)
            for (std::int64_t x2 : m) n += tails_within(d, b, Limit - (x1 + x2));
    } else {
        for (std::int64_t x3 : d)
            for (std::int64_t x4 : b)
                n += heads_within(s, m, Limit - std::max({std::int64_t{0}, x3, x3 + x4}));
    }
    return n;
}

}  // namespace quadcount
