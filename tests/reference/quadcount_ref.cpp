// The straightforward quadcount; see quadcount_ref.hpp.
#include "quadcount_ref.hpp"

#include <algorithm>
#include <istream>
#include <ostream>
#include <set>
#include <string>

namespace reference {

__extension__ typedef __int128 i128;
__extension__ typedef unsigned __int128 u128;

static std::string decimal(u128 v)
{
    std::string s;
    do {
        s.insert(s.begin(), static_cast<char>('0' + static_cast<int>(v % 10)));
        v /= 10;
    } while (v != 0);
    return s;
}

bool quadcount(std::istream& in, std::ostream& out, std::int64_t max_elements)
{
    int tmp = 0;  // lives for the whole run: a read that stores nothing leaves it
    for (;;) {
        long long Limit, S, M, D, B;
        in >> Limit >> S >> M >> D >> B;
        if (in.fail()) return true;
        if (S == 0 && M == 0 && D == 0 && B == 0) return true;
        i128 total = i128{std::max(S, 0LL)} + std::max(M, 0LL) + std::max(D, 0LL) + std::max(B, 0LL);
        if (total > max_elements) return false;

        std::multiset<int> s, m, d, b;
        for (long long i = 0; i < S; ++i) { in >> tmp; s.insert(tmp); }
        for (long long i = 0; i < M; ++i) { in >> tmp; m.insert(tmp); }
        for (long long i = 0; i < D; ++i) { in >> tmp; d.insert(tmp); }
        for (long long i = 0; i < B; ++i) { in >> tmp; b.insert(tmp); }

        // Remaining budgets are exact: 128-bit, so no budget can overflow.
        auto upper_bound = [](const std::multiset<int>& set, i128 key) {
            if (key < INT32_MIN) return set.begin();
            if (key > INT32_MAX) return set.end();
            return set.upper_bound(static_cast<int>(key));
        };
        u128 sum = 0;
        for (int x1 : s) {
            i128 hledam = i128{Limit} - x1;
            auto pos = upper_bound(m, hledam);
            for (auto x2 = m.begin(); x2 != pos; ++x2) {
                i128 hledam2 = hledam - *x2;
                auto pos2 = upper_bound(d, hledam2);
                for (auto x3 = d.begin(); x3 != pos2; ++x3) {
                    i128 hledam3 = hledam2 - *x3;
                    auto pos3 = upper_bound(b, hledam3);
                    for (auto x4 = b.begin(); x4 != pos3; ++x4) ++sum;
                }
            }
        }
        out << decimal(sum) << std::endl;
    }
}

}  // namespace reference
