// The cut of the value line for a count by slices; see sample.hpp.
#include "sample.hpp"

#include "radix_sort.hpp"
#include "types.hpp"

#include <algorithm>

namespace quadcount::slices {

Line::Line(const Side& heads, const Side& tails, std::int64_t Limit)
    : lo(heads.min()), end(std::max(lo, std::min(heads.max(), Limit - tails.min()) + 1))
{
}

Sample::Sample(const Side& heads, const Side& tails, std::int64_t Limit, const Line& line, unsigned parts)
{
    const std::size_t m = std::clamp<std::size_t>(2048 * std::size_t{parts}, 8192, 32768);
    weight_[0] = heads.size() / double(m);
    weight_[1] = tails.size() / double(m);
    keys_.reserve(2 * m);
    take(heads, line, m, [](std::int64_t v) { return v; }, 0);
    take(tails, line, m, [Limit](std::int64_t t) { return Limit - t; }, 1);
    std::vector<std::int64_t> scratch;
    radix_sort(std::span<std::int64_t>(keys_), scratch);
    // Where heads lie too sparse to count by value, a value costs 1.8 times
    // as much (bins): 1.03 ns against 0.42 ns a value as count.cpp's
    // slices_cost() fits them, each with the 0.34 ns of row visits a value
    // takes at 4 values a row (1.4 ns a visit, as 64 Ki slices on 4 x 32,000
    // measure it). Many values at one value (the tails floored at 0) are
    // counted at once and cost next to nothing. The largest of 8 parts of 4 x
    // 32,000 wide took 1.12x an eighth of the whole's CPU time, with twice
    // 1.27x and with 1.65 times 1.34x (medians of 5, the three in
    // alternation; by values alone: 2.0x).
    const std::size_t near = 16, n = keys_.size();
    cost_.resize(n);
    std::size_t heads_near = 0;  // heads among the points from i - near to i + near
    for (std::size_t j = 0; j < std::min(n, near); ++j) heads_near += side(j) == 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (i + near < n) heads_near += side(i + near) == 0;
        if (i > near) heads_near -= side(i - near - 1) == 0;
        std::size_t a = i > near ? i - near : 0, b = std::min(n - 1, i + near);
        double width = double(value(b) - value(a) + 1);
        const bool repeated = (i > 0 && value(i - 1) == value(i)) || (i + 1 < n && value(i + 1) == value(i));
        const bool sparse = width > double(by_value_width) * double(heads_near) * weight_[0];
        cost_[i] = static_cast<float>(repeated ? 0 : sparse ? 1.8 * weight(i) : weight(i));
    }
}

std::vector<std::int64_t> Sample::cut(std::int64_t lo, std::int64_t hi, std::size_t pieces) const
{
    const std::size_t first = from(lo), last = from(hi);
    double total = 0;
    for (std::size_t i = first; i < last; ++i) total += cost_[i];
    std::vector<std::int64_t> at{lo};
    double seen = 0;
    for (std::size_t i = first; i < last && at.size() < pieces; ++i) {
        seen += cost_[i];
        while (at.size() < pieces && seen >= total * double(at.size()) / double(pieces))
            at.push_back(std::max(at.back(), value(i) + 1));
    }
    while (at.size() < pieces) at.push_back(hi);  // no sample there: empty stretches
    at.push_back(hi);
    return at;
}

double Sample::values(std::int64_t lo, std::int64_t hi) const
{
    double total = 0;
    for (std::size_t i = from(lo), last = from(hi); i < last; ++i) total += weight(i);
    return total;
}

std::size_t Sample::from(std::int64_t v) const
{
    return static_cast<std::size_t>(std::lower_bound(keys_.begin(), keys_.end(), 2 * v) - keys_.begin());
}

// m pairs of `side` drawn by a fixed sequence; those whose place on the line
// falls in it are kept.
template <class Place>
void Sample::take(const Side& side, const Line& line, std::size_t m, Place place, int which)
{
    std::uint64_t state = 0x9e3779b97f4a7c15u * static_cast<std::uint64_t>(which + 1);
    // A 32-bit random number times n, over 2^32: below n, without a division.
    auto below = [](std::uint64_t r, std::size_t n) { return static_cast<std::size_t>((u128{r & 0xffffffff} * n) >> 32); };
    for (std::size_t i = 0; i < m; ++i) {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15u);  // splitmix64
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
        z ^= z >> 31;
        const std::int64_t v =
            place(side.value(side.rows[below(z, side.rows.size())], side.cols[below(z >> 32, side.cols.size())]));
        if (v >= line.lo && v < line.end) keys_.push_back(2 * v + which);
    }
}

}  // namespace quadcount::slices
