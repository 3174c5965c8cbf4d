// Adding up the answers of a split count's parts; see sum.hpp.
#include "sum.hpp"

#include <algorithm>
#include <vector>

namespace quadcount {

namespace {

// Adds the decimal digits `digits` into `sum`, kept least significant first.
void add(std::string& sum, std::string_view digits)
{
    if (sum.size() < digits.size()) sum.resize(digits.size(), 0);
    int carry = 0;
    std::size_t i = 0;
    for (auto d = digits.rbegin(); d != digits.rend(); ++d, ++i) {
        int v = sum[i] + (*d - '0') + carry;
        carry = v >= 10;
        sum[i] = static_cast<char>(v - 10 * carry);
    }
    for (; carry != 0; ++i) {
        if (i == sum.size()) sum.push_back(0);
        int v = sum[i] + carry;
        carry = v >= 10;
        sum[i] = static_cast<char>(v - 10 * carry);
    }
}

}  // namespace

std::variant<std::string, SumFault> sum_parts(std::span<const std::string_view> parts)
{
    std::vector<std::string_view> rest(parts.begin(), parts.end());
    std::string out, sum;
    for (std::size_t line = 1;; ++line) {
        std::size_t ended = 0, short_one = 0;
        sum.clear();
        for (std::size_t p = 0; p < rest.size(); ++p) {
            std::string_view& text = rest[p];
            if (text.empty()) {
                if (ended++ == 0) short_one = p;
                continue;
            }
            std::size_t end = text.find('\n');
            if (end == std::string_view::npos) return SumFault{p, line, "the last line has no newline: cut short"};
            std::string_view digits = text.substr(0, end);
            text.remove_prefix(end + 1);
            if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
                return SumFault{p, line, "not a count"};
            add(sum, digits);
        }
        if (ended == rest.size()) return out;
        if (ended != 0) return SumFault{short_one, line, "has fewer lines than the other parts"};
        while (sum.size() > 1 && sum.back() == 0) sum.pop_back();
        for (auto d = sum.rbegin(); d != sum.rend(); ++d) out.push_back(static_cast<char>('0' + *d));
        out.push_back('\n');
    }
}

}  // namespace quadcount
