// bench-floor: the least an exact count of wide values must do. Reads one
// record (Limit S M D B and the four lists) from standard input, makes every
// head x1 + x2 and every tail max(0, x3 + max(0, x4)) once, and prints the
// sums of each. Beside quadcount it is the floor: no comparison, no memory
// beyond the lists.
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

// The sums of a + b over all pairs, and of max(0, c + max(0, d)).
[[gnu::noinline]] std::int64_t heads(const std::vector<std::int32_t>& a, const std::vector<std::int32_t>& b)
{
    std::int64_t sum = 0;
    for (std::int64_t x : a)
        for (std::int32_t y : b) sum += x + y;
    return sum;
}

[[gnu::noinline]] std::int64_t tails(const std::vector<std::int32_t>& c, const std::vector<std::int32_t>& d)
{
    std::int64_t sum = 0;
    for (std::int64_t x : c)
        for (std::int32_t y : d) {
            std::int64_t t = x + (y > 0 ? y : 0);
            sum += t > 0 ? t : 0;
        }
    return sum;
}

}  // namespace

int main()
{
    long long Limit, n[4];
    if (std::scanf("%lld %lld %lld %lld %lld", &Limit, &n[0], &n[1], &n[2], &n[3]) != 5) return 1;
    std::vector<std::int32_t> l[4];
    for (int k = 0; k < 4; ++k) {
        l[k].resize(static_cast<std::size_t>(n[k] > 0 ? n[k] : 0));
        for (auto& x : l[k])
            if (std::scanf("%d", &x) != 1) return 1;
    }
    std::printf("%lld %lld\n", static_cast<long long>(heads(l[0], l[1])), static_cast<long long>(tails(l[2], l[3])));
    return 0;
}
