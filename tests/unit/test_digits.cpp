// sumplus and summinus: the arithmetic claim checked exhaustively by brute
// force, and the character rules against the straightforward designs on
// long, random and non-canonical input.
#include "digits_ref.hpp"
#include "in_memory.hpp"
#include "loop.hpp"
#include "lower.hpp"
#include "rewrite.hpp"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

int digit_sum(long long n)
{
    if (n < 0) n = -n;
    int s = 0;
    for (; n > 0; n /= 10) s += static_cast<int>(n % 10);
    return s;
}

template <class Rewrite>
std::string answer(Rewrite rewrite, std::string number)
{
    tokens::Line line = rewrite(std::span<char>(number));
    return std::string(line.head) + std::string(line.rest);
}

// The short path's line, without its newline, or "declined".
std::string answer_short(char* (*fast)(const char*, std::size_t, char*), const std::string& number)
{
    char token[32] = {}, line[32];
    number.copy(token, 16);
    char* end = fast(token, number.size(), line);
    return end == nullptr ? "declined" : std::string(line, end - 1);
}

// Walks the integers upwards from `from`, calling visit(n, best) for each n
// in [first, last], where best[t] is the largest integer below n whose digit
// sum is t (or `none` when there is none at or above `from`).
template <class Visit>
void sweep(long long from, long long first, long long last, Visit visit)
{
    constexpr long long none = LLONG_MIN;
    std::array<long long, 100> best;
    best.fill(none);
    for (long long n = from; n <= last; ++n) {
        if (n >= first) visit(n, best);
        best[static_cast<std::size_t>(digit_sum(n))] = n;
    }
}

TEST(Sumplus, LargestBelowWithDigitSumOneGreater)
{
    std::size_t checked = 0, declined = 0;
    sweep(-2'000'000, -100'000, 1'000'000, [&](long long n, const std::array<long long, 100>& best) {
        long long want = best[static_cast<std::size_t>(digit_sum(n) + 1)];
        ASSERT_NE(want, LLONG_MIN) << n;
        ASSERT_EQ(answer(sumplus::predecessor, std::to_string(n)), std::to_string(want)) << n;
        if (n > -10'000 && n < 10'000) {
            ASSERT_EQ(answer_short(sumplus::answer_short, std::to_string(n)), std::to_string(want)) << n;
        }
        // The vector path declines only where the answer changes sign or grows.
        const std::string medium = answer_short(sumplus::answer_medium, std::to_string(n));
        if (medium == "declined")
            ++declined;
        else
            ASSERT_EQ(medium, std::to_string(want)) << n;
        ++checked;
    });
    EXPECT_EQ(checked, 1'100'001u);
    EXPECT_LT(declined, tokens::short_vectors ? checked / 100 : checked + 1);
}

// Numbers of up to 16 bytes, past the exhaustive range, dense with the
// digits the vector path turns on: runs of 0, 1, 8 and 9 (carries, cuts, a
// leading 1 dropped), and now and then a leading '0' or '-'.
TEST(Sumplus, TheVectorPathMatchesTheGeneralRewriteUpToSixteenBytes)
{
    std::mt19937_64 rng(5);
    const char* runs = "0189";
    std::size_t answered = 0;
    for (int round = 0; round < 200'000; ++round) {
        const std::size_t length = 1 + rng() % 16;
        std::string n = rng() % 8 == 0 ? "-" : rng() % 16 == 0 ? "0" : "";
        while (n.size() < length) {
            const char c = rng() % 3 ? runs[rng() % 4] : static_cast<char>('0' + rng() % 10);
            n.append(std::min<std::size_t>(1 + rng() % 6, length - n.size()), c);
        }
        const std::string medium = answer_short(sumplus::answer_medium, n);
        if (medium == "declined") continue;
        ASSERT_EQ(medium, answer(sumplus::predecessor, n)) << n;
        ++answered;
    }
    EXPECT_GE(answered, tokens::short_vectors ? 100'000u : 0u);  // without the path, none
}

// Long numbers, checked without the rewrite's own algorithm: the answer is
// below the number, its digit sum is one more, and no number between them
// that differs from both only in the last six digits has that sum (for a
// negative number, no magnitude between them).
TEST(Sumplus, LongNumbersAnswerTheLargestBelowWithTheSum)
{
    auto sum = [](const std::string& digits) {
        long s = 0;
        for (char c : digits) s += c - '0';
        return s;
    };
    std::mt19937_64 rng(9);
    int searched = 0;
    for (int round = 0; round < 3000; ++round) {
        const bool negative = round % 3 == 0;
        std::string x(20 + rng() % 200, '0');
        for (char& c : x) c = static_cast<char>('0' + (rng() % 4 == 0 ? 9 * (rng() % 2) : rng() % 10));
        x[0] = static_cast<char>('1' + rng() % 9);
        std::string got = answer(sumplus::predecessor, (negative ? "-" : "") + x);
        std::string y = got[0] == '-' ? got.substr(1) : got;
        if (got[0] == '-' && !negative) continue;  // below 0: no smaller number of the sign to search
        ASSERT_EQ(sum(y), sum(x) + 1) << x;
        // As magnitudes: y below x for a positive number, above it for a negative one.
        const std::string& low = negative ? x : y;
        const std::string& high = negative ? y : x;
        ASSERT_TRUE(low.size() < high.size() || (low.size() == high.size() && low < high)) << x;
        const std::size_t cut = high.size() >= 6 ? high.size() - 6 : 0;
        if (low.size() != high.size() || low.compare(0, cut, high, 0, cut) != 0) continue;
        const long prefix = sum(high.substr(0, cut)), from = std::stol(low.substr(cut)), to = std::stol(high.substr(cut));
        for (long m = from + 1; m < to; ++m)
            ASSERT_NE(prefix + sum(std::to_string(m)), sum(x) + 1) << x << ": " << m << " lies between";
        ++searched;
    }
    EXPECT_GT(searched, 2500);
}

TEST(Summinus, LargestBelowWithDigitSumOneSmaller)
{
    sweep(0, 1, 1'000'000, [](long long n, const std::array<long long, 100>& best) {
        long long want = best[static_cast<std::size_t>(digit_sum(n) - 1)];
        ASSERT_EQ(answer(summinus::lower_rightmost, std::to_string(n)), std::to_string(want)) << n;
        ASSERT_EQ(answer_short(summinus::lower_short, std::to_string(n)),
                  tokens::short_vectors ? std::to_string(want) : "declined")
            << n;
    });
}

// The token loop guesses that a token starts after one whitespace byte and
// leaves the sentinel to the short paths, so they must decline a guess that
// begins with whitespace, "END", and what they cannot answer.
TEST(Digits, ShortPathsDeclineWhatTheLoopAnswersElsewhere)
{
    for (const char* token : {"END", " 5", "\n-5", "\t12", "  \r9", "12345678901234567"})
        for (auto fast : {sumplus::answer_short, sumplus::answer_medium, summinus::lower_short})
            EXPECT_EQ(answer_short(fast, token), "declined") << token;
    for (const char* token : {"05", "-05", "12345", "-", "+5", "1a", "END2", "-END"})
        EXPECT_EQ(answer_short(sumplus::answer_short, token), "declined") << token;
    for (const char* token : {"05", "0", "-", "+5", "1a", "-1-", "--5", "END2", "-END", "9", "19", "89", "-99"})
        EXPECT_EQ(answer_short(sumplus::answer_medium, token), "declined") << token;
    std::vector<std::string> tokens{"END2", "-END", "EN", "-10", "1000000000000000"};
    for (std::size_t n = 1; n <= 16; ++n) tokens.push_back(std::string(n, '0'));  // a token of zeros stays
    for (const std::string& token : tokens)
        EXPECT_EQ(answer_short(summinus::lower_short, token),
                  tokens::short_vectors ? answer(summinus::lower_rightmost, token) : "declined")
            << token;
}

using testing_support::run_in_memory;

// A digit filter on every path this processor has: the output they agree
// on, or the first that differs from the portable one.
std::string on_each_path(void (*run_on)(tokens::Path, io::Input&, io::Output&), std::string_view text,
                         std::size_t chunk, std::size_t limit = std::size_t{1} << 20)
{
    std::string portable;
    for (tokens::Path path : tokens::paths()) {
        auto program = [&](io::Input& in, io::Output& out) { run_on(path, in, out); };
        std::string got = run_in_memory(program, text, chunk, limit);
        if (path == tokens::Path::portable)
            portable = got;
        else if (got != portable)
            return "the " + std::string(tokens::path_name(path)) + " path gives:\n" + got;
    }
    return portable;
}

TEST(Summinus, TokensTooLongToHoldAnswerAsTheyArrive)
{
    std::string z(40, '0');
    struct {
        std::string in, out;
    } cases[] = {
        {"1" + z, "0"},                            // a lone leading 1 becomes "0"
        {"31" + z, "30" + z},                      // a 1 not in front keeps the zeros after it
        {"-1" + z, "-0" + z},
        {z, z},                                    // zeros stay
        {"2" + z, "1" + z},
        {"1" + z + "1" + z, "1" + z + "0" + z},    // the last non-zero byte, parts apart
        {z + "1" + z, z + "0" + z},                // leading zeros stay
        {"-" + z, "," + z},                        // any byte other than '0' is lowered
        {"10000000000000005", "10000000000000004"},
        {"3" + std::string(9000, '0') + "1" + std::string(9000, '0'),  // zeros held back by the thousand
         "3" + std::string(9000, '0') + "0" + std::string(9000, '0')},
    };
    for (const auto& c : cases)
        for (std::size_t chunk : {1u, 7u, 100u})
            EXPECT_EQ(on_each_path(summinus::run_on, c.in + " END", chunk, 16), c.out + "\n") << c.in;
}

template <class Reference>
std::string expected(Reference reference, const std::string& text)
{
    std::istringstream in(text);
    std::ostringstream out;
    reference(in, out);
    return out.str();
}

// A digit string built to reach every branch: runs of 9s, 8s and 0s around
// random digits, sometimes negative, now and then a stray byte.
std::string random_number(std::mt19937_64& rng, std::size_t length)
{
    std::string s;
    if (rng() % 3 == 0) s += '-';
    const char* runs = "99999999800000";
    while (s.size() < length) {
        std::size_t run = 1 + rng() % (rng() % 4 == 0 ? 5000 : 5);
        char c = rng() % 2 ? runs[rng() % 14] : static_cast<char>('0' + rng() % 10);
        if (rng() % 50 == 0) c = static_cast<char>(rng() % 256);
        s.append(std::min(run, length - s.size()), c);
    }
    return s;
}

std::string random_line(std::mt19937_64& rng, std::size_t length)
{
    std::string t = random_number(rng, length);
    for (char& c : t)
        if (c == ' ' || (c >= '\t' && c <= '\r')) c = '5';  // one token
    return t + "\n";
}

// sumplus with long tokens held in its own memory, not in a memory file.
void held_in_memory(tokens::Path path, io::Input& in, io::Output& out)
{
    sumplus::run_on(path, in, out, sumplus::Keep::memory);
}

TEST(Digits, LongTokensMatchTheStraightforwardDesign)
{
    std::mt19937_64 rng(3);
    for (std::size_t length : {1000u, 3000u, 7777u, 1'000'000u, 3'000'000u}) {
        for (int round = 0; round < (length > 10000 ? 4 : 200); ++round) {
            std::string text = random_line(rng, length);
            std::size_t chunk = 1 + rng() % 70000;
            std::size_t limit = rng() % 2 ? std::size_t{1} << 20 : 16 + rng() % 5000;
            const std::string want = expected(reference::sumplus, text);
            ASSERT_EQ(on_each_path(sumplus::run_on, text, chunk, limit), want) << "length " << length << " round " << round;
            ASSERT_EQ(on_each_path(held_in_memory, text, chunk, limit), want) << "length " << length << " round " << round;
            ASSERT_EQ(on_each_path(summinus::run_on, text, chunk, limit), expected(reference::summinus, text))
                << "length " << length << " round " << round;
        }
    }
}

// Long tokens whose answer reads back far from the end: runs of '0' before
// the last digits (the lowered digit lies far back), of '9' (the scan finds
// no room, or a negative number's raised digit lies far back), and bytes
// above '9', which take room away, spanning many of the 64 KiB chunks the
// memory file is read back in. Parts of 16 bytes; kept either way.
TEST(Digits, LongTokensReadBackFar)
{
    const std::string run0(200'000, '0'), run9(200'000, '9');
    const std::string tokens[] = {"1" + run0,         "10" + run0 + "1",  "0" + run0 + "1",   "1" + run0 + "9",
                                  run9,               "8" + run9,         "9" + run9 + "8",   "2" + run9,
                                  "/" + run9,         "0" + run9,         "-" + run9,         "-1" + run9,
                                  "-" + run0,         "5" + run0 + "z",   "12" + run9 + "~~", "1" + run0 + ":"};
    for (const std::string& token : tokens) {
        const std::string text = token + "\n7\n";
        const std::string want = expected(reference::sumplus, text);
        ASSERT_EQ(on_each_path(sumplus::run_on, text, 65536, 16), want) << token.substr(0, 4) << " " << token.size();
        ASSERT_EQ(on_each_path(held_in_memory, text, 65536, 16), want) << token.substr(0, 4) << " " << token.size();
    }
}

// The edges of the short path and of the blocks of 64 bytes that tokens
// are found in: tokens of 16 and 17 bytes, all nines, straddling a block and a
// read, and every kind of whitespace at a block's edge.
TEST(Digits, TokensAtTheEdgesOfBlocksAndReads)
{
    const std::string tokens[] = {"1234567890123456", "12345678901234567", "9999999999999999", "99999999999999999",
                                  "-999999999999999", "-9999", "9999", "10000", "1000", "0", "-0", "08", "007",
                                  "END2", "1000000000000000", "+5"};
    const char* spaces[] = {" ", "\t", "\n", "\v", "\f", "\r", "\r\n", "  \t"};
    for (std::size_t pad = 0; pad < 140; ++pad)
        for (std::size_t k = 0; k < std::size(tokens); ++k) {
            const std::string& space = spaces[(pad + k) % std::size(spaces)];
            // The first token is read alone; the rest are in hand from the
            // space after it, which the padding moves across a block's edge.
            std::string text = "1" + space + std::string(pad, ' ') + tokens[k] + space + tokens[(k + 1) % 16] + "\n";
            for (std::size_t chunk : {1u, 7u, 64u, 65u, 4096u}) {
                ASSERT_EQ(on_each_path(sumplus::run_on, text, chunk), expected(reference::sumplus, text)) << text;
                ASSERT_EQ(on_each_path(summinus::run_on, text, chunk), expected(reference::summinus, text)) << text;
            }
        }
}

// Blocks of canonical numbers, one whitespace byte apart, take a lean path
// on trust; one odd token, moved across every place in a block and the
// next, must still be noticed wherever it falls.
TEST(Digits, AnOddTokenAmongCanonicalOnes)
{
    std::mt19937_64 rng(7);
    const char* odd[] = {"05", "-05", "--5", "5-", "-", "00", "1-2", "+5", "a", "END", "-END", "12345",
                         "-1234", "9999", "-9999", "0", "-0", "0 ", " -7", "\r\n", "12\x80", "1", "10", "-1", "10000000",
                         "100000000", "00000000", "-9000000", "1000000000000000", "10000000000000000",
                         "-1000000000000000", "123456789012345678"};
    for (std::size_t at = 0; at < 140; ++at)
        for (const char* token : odd) {
            std::string text;  // canonical numbers up to `at`
            while (text.size() + 7 <= at) {
                if (rng() % 10 == 0) text += '-';
                text += std::to_string(rng() % 10000);
                text += " \n\t\r\v\f"[rng() % 6];
            }
            if (at - text.size() == 1 && !text.empty()) {  // the last number one digit longer
                const char space = text.back();
                text.back() = '1';
                text += space;
            }
            if (at > text.size()) {
                text.append(at - text.size() - 1, '1');
                text += '\n';
            }
            text += token;
            text += '\n';
            for (int k = 0; k < 40; ++k) text += std::to_string(rng() % 10000) + "\n";
            for (std::size_t chunk : {64u, 4096u}) {
                ASSERT_EQ(on_each_path(sumplus::run_on, text, chunk), expected(reference::sumplus, text)) << text;
                ASSERT_EQ(on_each_path(summinus::run_on, text, chunk), expected(reference::summinus, text)) << text;
            }
        }
}

// Blocks answered whole: numbers of every length one whitespace byte apart,
// dense with the tokens whose answers change length or carry (zeros, a
// leading 1 before zeros, all nines, a lone '-'), at every offset.
TEST(Digits, BlocksOfShortNumbersMatchTheStraightforwardDesign)
{
    std::mt19937_64 rng(11);
    const char* words[] = {"0", "00", "000", "-0", "-00", "1", "10", "100", "1000", "-1", "-10", "9", "99", "999",
                           "9999", "-9999", "99999", "-99999", "12345", "19", "109", "-", "1000000000000000",
                           "9999999999999999", "10000000000000000", "-9999999999999999"};
    const unsigned below[] = {10, 100, 1000, 10000};
    for (int round = 0; round < 4000; ++round) {
        std::string text;
        const std::size_t size = 64 + rng() % 200;
        while (text.size() < size) {
            if (rng() % 3 == 0) {
                text += words[rng() % std::size(words)];
            } else {
                if (rng() % 4 == 0) text += '-';
                text += std::to_string(rng() % below[rng() % 4]);
            }
            text += " \n\t\r\v\f"[rng() % 6];
        }
        for (std::size_t chunk : {std::size_t{4096}, std::size_t{1 + rng() % 80}}) {
            ASSERT_EQ(on_each_path(sumplus::run_on, text, chunk), expected(reference::sumplus, text)) << text;
            ASSERT_EQ(on_each_path(summinus::run_on, text, chunk), expected(reference::summinus, text)) << text;
        }
    }
}

TEST(Digits, AnyBytesMatchTheStraightforwardDesign)
{
    std::mt19937_64 rng(4);
    const char* words[] = {"END", "end", "END2", "-END", "ENDEND", "-", "+5", "00", "007",
                           "12a", "-0", "0", "9", "-9", "99", "89", "/9", "08", ":", "\x80", ("\xff" "9")};
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        int n = static_cast<int>(rng() % 8);
        for (int i = 0; i < n; ++i) {
            switch (rng() % 3) {
            case 0: text += words[rng() % std::size(words)]; break;
            case 1: text += random_number(rng, 1 + rng() % 12); break;
            default:
                for (int k = static_cast<int>(rng() % 6); k > 0; --k) text += static_cast<char>(rng() % 256);
            }
            text += " \n\t\r\v\f"[rng() % 6];
        }
        std::size_t chunk = 1 + rng() % 9;
        std::size_t limit = rng() % 2 ? 16 : 4096;  // tokens in parts, tokens held whole
        const std::string want = expected(reference::sumplus, text);
        ASSERT_EQ(on_each_path(sumplus::run_on, text, chunk, limit), want) << text;
        if (limit == 16) {  // tokens in parts
            ASSERT_EQ(on_each_path(held_in_memory, text, chunk, limit), want) << text;
        }
        ASSERT_EQ(on_each_path(summinus::run_on, text, chunk, limit), expected(reference::summinus, text)) << text;
    }
}

}  // namespace
