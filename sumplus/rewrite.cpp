// predecessor; see rewrite.hpp.
#include "rewrite.hpp"

#include <cstdint>
#include <cstring>

namespace sumplus {

namespace {

std::int64_t code(char c) { return static_cast<signed char>(c); }

// Adds `delta` to a character's code, modulo 256.
void bump(char& c, int delta) { c = static_cast<char>(static_cast<unsigned char>(c) + delta); }

// Raises -x to -y, y the smallest integer above x whose digit sum is one
// greater, in place. Returns true, changing nothing, when every digit is 9:
// then "-1" and the digits are to be printed.
bool raise_negative(std::span<char> number)
{
    std::size_t ukaz = number.size() - 1;
    while (ukaz > 0 && number[ukaz] == '9') --ukaz;  // the '-' at 0 stops it
    if (ukaz == 0 && number.size() > 1) return true;
    bump(number[ukaz], +1);
    return false;
}

// Lowers N in place to the largest M < N with digit sum one greater, when
// such an M >= 0 exists (possibly leaving one leading '0'). Otherwise the
// answer is negative: rewrites the digits to print after the returned prefix.
std::string_view lower_nonnegative(std::span<char> number)
{
    const std::int64_t len = static_cast<std::int64_t>(number.size());
    std::int64_t ukaz = len - 1;
    std::int64_t rozdil = 0;            // room in the scanned suffix: sum of (9 - digit)
    std::int64_t zbytekNaDoplneni = 2;  // the suffix's digit sum, plus 2
    while (rozdil <= 1 && ukaz > 0) {
        std::int64_t c = code(number[static_cast<std::size_t>(ukaz)]);
        rozdil += '9' - c;
        zbytekNaDoplneni += c - '0';
        --ukaz;
    }
    char* digits = number.data();
    if (rozdil >= 2) [[likely]] {
        while (digits[ukaz] == '0' && ukaz > 0) --ukaz;
        bump(digits[ukaz], -1);
        // Refill: 9s, one partial digit, then 0s.
        std::int64_t i = ukaz + 1;
        for (; i < len && zbytekNaDoplneni > 8; ++i, zbytekNaDoplneni -= 9) digits[i] = '9';
        if (i < len) {
            digits[i++] = static_cast<char>(static_cast<std::uint64_t>('0' + zbytekNaDoplneni) & 0xff);
            for (; i < len; ++i) digits[i] = '0';
        }
        return "";
    }
    if (rozdil == 0) {  // every digit after the first is 9, or there is one digit
        if (digits[0] == '9') return "-1";
        bump(digits[0], +1);
        return "-";
    }
    std::memset(digits + 1, '9', static_cast<std::size_t>(len - 1));
    return "-";
}

}  // namespace

io::Line predecessor(std::span<char> number)
{
    std::string_view head;
    std::size_t skip = 0;
    bool kladne = number[0] != '-';
    if (!kladne && raise_negative(number)) [[unlikely]] {
        head = "-1";
        skip = 1;
    } else {
        if (kladne) head = lower_nonnegative(number);
        skip = number[0] == '0';  // one leading '0' is not printed
    }
    return {head, std::string_view(number.data() + skip, number.size() - skip)};
}

void run(io::Input& in, io::Output& out)
{
    io::answer_tokens(in, out, predecessor);
}

}  // namespace sumplus
