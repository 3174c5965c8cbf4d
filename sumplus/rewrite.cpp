// predecessor; see rewrite.hpp.
#include "rewrite.hpp"

#include "checked.hpp"
#include "lean.hpp"
#include "medium.hpp"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace sumplus {

namespace {

// Adds `delta` to a character's code, modulo 256.
constexpr void bump(char& c, int delta) { c = bumped(c, delta); }

// Raises -x to -y, y the smallest integer above x whose digit sum is one
// greater, in place. Returns true, changing nothing, when every digit is 9:
// then "-1" and the digits are to be printed.
constexpr bool raise_negative(std::span<char> number)
{
    const char* digits = number.data();
    const std::int64_t ukaz = last_not_nine(static_cast<std::int64_t>(number.size()), [digits](std::int64_t i) { return digits[i]; });
    if (ukaz == 0 && number.size() > 1) return true;
    bump(number[static_cast<std::size_t>(ukaz)], +1);
    return false;
}

// Lowers N in place to the largest M < N with digit sum one greater, when
// such an M >= 0 exists (possibly leaving one leading '0'). Otherwise the
// answer is negative: rewrites the digits to print after the returned prefix.
constexpr std::string_view lower_nonnegative(std::span<char> number)
{
    const std::int64_t len = static_cast<std::int64_t>(number.size());
    char* digits = number.data();
    const Room room = scan_for_room(len, [digits](std::int64_t i) { return digits[i]; });
    if (room.rozdil >= 2) [[likely]] {
        bump(digits[room.ukaz], -1);
        const Refill r = refill(static_cast<std::uint64_t>(len - room.ukaz - 1), room.zbytekNaDoplneni);
        char* p = std::fill_n(digits + room.ukaz + 1, r.nines, '9');
        if (r.partial) {
            *p = r.digit;
            std::fill_n(p + 1, r.zeros, '0');
        }
        return "";
    }
    if (room.rozdil == 0) {  // every digit after the first is 9, or there is one digit
        if (digits[0] == '9') return "-1";
        bump(digits[0], +1);
        return "-";
    }
    std::fill_n(digits + 1, len - 1, '9');
    return "-";
}

constexpr tokens::Line constexpr_predecessor(std::span<char> number)
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

// The answer lines of the canonical numbers of at most four digits, made by
// constexpr_predecessor() as this compiles: of[v][0] for v, of[v][1] for -v.
struct Answers {
    ShortLine of[10000][2];
};

constexpr ShortLine answer_of(bool negative, unsigned v)
{
    char number[8] = {};
    std::size_t n = 0;
    if (negative) number[n++] = '-';
    char reversed[4] = {};
    std::size_t k = 0;
    do reversed[k++] = static_cast<char>('0' + v % 10);
    while ((v /= 10) != 0);
    while (k > 0) number[n++] = reversed[--k];
    tokens::Line line = constexpr_predecessor(std::span<char>(number, n));
    ShortLine a{};
    for (char c : line.head) a.text[a.size++] = c;
    for (char c : line.rest) a.text[a.size++] = c;
    a.text[a.size++] = '\n';
    return a;
}

constexpr Answers answers = [] {
    Answers all{};
    for (unsigned v = 0; v < 10000; ++v) {
        all.of[v][0] = answer_of(false, v);
        all.of[v][1] = answer_of(true, v);
    }
    return all;
}();

// The number whose four digits' values are the bytes of v, the most
// significant in the lowest byte (0d0c0b0a): pairs first, then the four.
constexpr std::uint32_t number_of(std::uint32_t v)
{
    v = (v * 10 + (v >> 8)) & 0x00ff00ffu;
    return (v * 100 + (v >> 16)) & 0xffffu;
}

// Writes the line of v (of -v when negative) at out, 8 bytes, and returns
// its end. The line and its size come in one load; a sign is no branch: it
// is random.
[[gnu::always_inline]] inline char* write_answer(std::uint32_t v, std::size_t negative, char* out)
{
    static_assert(sizeof(ShortLine) == 8 && offsetof(ShortLine, size) == 7);
    std::uint64_t a;
    std::memcpy(&a, &answers.of[v][negative], 8);
    std::memcpy(out, &a, 8);
    return out + (std::endian::native == std::endian::little ? a >> 56 : a & 0xff);
}

// See answer_short(): here, to be inlined in the token loop.
[[gnu::always_inline]] inline char* answer_short_inlined(const char* t, std::size_t len, char* out)
{
    const unsigned negative = t[0] == '-';
    const std::size_t digits = len - negative;
    if (digits - 1 >= 4) return nullptr;  // none, or more than four
    // The digits, most significant first, in the low bytes of x.
    std::uint32_t x = 0;
    std::memcpy(&x, t + negative, 4);
    if constexpr (std::endian::native == std::endian::big) x = __builtin_bswap32(x);
    const std::uint32_t used = ~0u << 8 * (4 - digits);
    x = x << 8 * (4 - digits) | (0x30303030u & ~used);  // right-aligned behind '0's
    const std::uint32_t values = x - 0x30303030u;
    // Digits only (each byte's value below 10; a byte that is not borrows,
    // and is caught), canonical (no leading 0 but in "0" itself): one branch.
    const bool digits_only = ((values | (values + 0x76767676u)) & 0x80808080u & used) == 0;
    if ((!digits_only) | ((t[negative] == '0') & (digits > 1))) return nullptr;
    return write_answer(number_of(values & used), negative, out);
}

// The mask of the last `n` of four digits, for n = 0 to 4.
constexpr std::uint32_t digits_of[5] = {0, 0x0f000000u, 0x0f0f0000u, 0x0f0f0f00u, 0x0f0f0f0fu};

// Blocks that vouch for their tokens (see lean.hpp) skip their checks, and
// on a vector path are answered a block at a time.
struct Lean {
    std::uint64_t unfit(const tokens::Bytes64& b, std::uint64_t starts) const { return sumplus::unfit(b, starts); }

    // answer_short_inlined() for a token of a fit block: a number of at most four
    // digits after an optional '-', with no leading zero. Reads the four bytes
    // that end with the token, the three before it included. A longer number
    // goes to medium_answer(), which makes its own checks.
    char* operator()(const char* t, std::size_t len, char* out) const
    {
        if constexpr (std::endian::native != std::endian::little) return answer_short_inlined(t, len, out);
        const std::size_t negative = t[0] == '-';
        const std::size_t digits = len - negative;
        if (digits - 1 >= 4) return medium_answer(t, len, out);  // none, or more than four
        std::uint32_t v;
        std::memcpy(&v, t + len - 4, 4);
        return write_answer(number_of(v & digits_of[digits]), negative, out);  // right-aligned behind zeros
    }
    char* (*block)(const char*, std::ptrdiff_t, char*, std::size_t&, tokens::Bytes64&);
};

}  // namespace

const ShortLine* const short_lines = &answers.of[0][0];

char* answer_short(const char* t, std::size_t len, char* out) { return answer_short_inlined(t, len, out); }

char* answer_medium(const char* t, std::size_t len, char* out) { return medium_answer(t, len, out); }

tokens::Line predecessor(std::span<char> number) { return constexpr_predecessor(number); }

void run_on(tokens::Path path, io::Input& in, io::Output& out, Keep keep)
{
    tokens::answer_tokens(
        in, out,
        [](const char* t, std::size_t size, char* line) {
            char* end = answer_short_inlined(t, size, line);
            return end != nullptr ? end : medium_answer(t, size, line);
        },
        predecessor,
        [keep](io::Input& input, io::Output& output, std::span<char> first) { answer_long(input, output, first, keep); },
        Lean{path == tokens::Path::avx2 ? answer_block_avx2 : nullptr});
}

void run_on(tokens::Path path, io::Input& in, io::Output& out) { run_on(path, in, out, Keep::memory_file); }

void run(io::Input& in, io::Output& out) { run_on(tokens::best_path(), in, out); }

void run(io::Input& in, io::Output& out, io::Complaints& complaints)
{
    if (!complaints.on()) return run(in, out);
    tokens::answer_checked(
        in, out, predecessor,
        [](io::Input& input, io::Output& output, std::span<char> first) {
            answer_long(input, output, first, Keep::memory_file);
        },
        {.signed_ = true, .zero = true}, complaints);
}

}  // namespace sumplus
