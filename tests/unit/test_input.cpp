// io::Input against the standard stream extraction it imitates, on random
// text served in pieces of every size.
#include "input.hpp"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

namespace {

// Text made of number-like pieces, junk and whitespace of every kind.
std::string random_text(std::mt19937_64& rng)
{
    const std::string pieces[] = {"0", "7", "-", "+", "12", "-34", "+56", "9223372036854775807",
                            "9223372036854775808", "-9223372036854775808", "-9223372036854775809",
                            "2147483647", "2147483648", "-2147483648", "-2147483649", "00000000000000000000000042",
                            "99999999999999999999999999", "x", ".", "END", "\x80\xff", std::string(1, '\0'),
                            " ", "\n", "\t", "\r", "\v", "\f", "   "};
    std::string text;
    int n = static_cast<int>(rng() % 12);
    for (int i = 0; i < n; ++i) {
        text += pieces[rng() % std::size(pieces)];
    }
    return text;
}

TEST(Input, NumbersReadAsStreamExtractionReadsThem)
{
    std::mt19937_64 rng(1);
    for (int round = 0; round < 20000; ++round) {
        std::string text = random_text(rng);
        std::istringstream want(text);
        io::Input got(text, 1 + rng() % 9);
        std::int64_t w64 = 11, g64 = 11;
        int w32 = 13;
        std::int32_t g32 = 13;
        for (int k = 0; k < 8; ++k) {
            if (rng() % 3 == 2) {  // n numbers read past at once
                const std::uint64_t n = rng() % 4;
                std::uint64_t ok = 0;
                while (ok < n && want >> w32) ++ok;
                ASSERT_EQ(got.skip(n, g32), ok) << "text: " << text;
                ASSERT_EQ(g32, w32) << "text: " << text;
            } else if (rng() % 2) {
                want >> w64;
                bool ok = got.read(g64);
                ASSERT_EQ(ok, !want.fail()) << "text: " << text;
                ASSERT_EQ(g64, w64) << "text: " << text;
            } else {
                want >> w32;
                bool ok = got.read(g32);
                ASSERT_EQ(ok, !want.fail()) << "text: " << text;
                ASSERT_EQ(g32, w32) << "text: " << text;
            }
            ASSERT_EQ(got.failed(), want.fail());
        }
    }
}

TEST(Input, TokensReadAsStringExtractionReadsThem)
{
    std::mt19937_64 rng(2);
    for (int round = 0; round < 20000; ++round) {
        std::string text = random_text(rng);
        std::istringstream want(text);
        io::Input got(text, 1 + rng() % 9);
        std::string w;
        for (;;) {
            std::span<char> g = got.token();
            if (!(want >> w)) {
                ASSERT_TRUE(g.empty()) << "text: " << text;
                break;
            }
            ASSERT_EQ(std::string(g.begin(), g.end()), w) << "text: " << text;
        }
    }
}

TEST(Input, LongTokensAndDigitRunsCrossEveryBlock)
{
    std::string digits(1'000'000, '7');
    for (std::size_t i = 500; i < digits.size(); i += 997) digits[i] = '\x01';  // not whitespace
    std::string text = "  " + digits + "\n-" + std::string(500'000, '0') + "12 y";
    io::Input tokens(text, 4093);
    EXPECT_EQ(std::string_view(tokens.token().data(), digits.size()), digits);
    EXPECT_EQ(tokens.token().size(), 500'003u);
    EXPECT_EQ(tokens.token().size(), 1u);
    EXPECT_TRUE(tokens.token().empty());

    io::Input numbers(text, 4093);
    std::int64_t v = 0;
    EXPECT_FALSE(numbers.read(v));  // a million digits overflow...
    EXPECT_EQ(v, INT64_MAX);        // ...to the nearest limit
    std::string rest = text.substr(1'000'003);
    io::Input zeros(rest, 4093);
    EXPECT_TRUE(zeros.read(v));
    EXPECT_EQ(v, -12);
}

}  // namespace
