// io::Output: whatever mix of pieces goes in comes out whole and in order,
// across every buffer boundary.
#include "input.hpp"
#include "output.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

TEST(Output, PiecesOfEverySizeArriveWholeAndInOrder)
{
    std::mt19937_64 rng(5);
    std::string source(300'000, 'x');
    for (auto& c : source) c = static_cast<char>('a' + rng() % 26);
    io::Input tokens(source, source.size());
    std::span<char> all = tokens.token();
    ASSERT_EQ(all.size(), source.size());

    for (int round = 0; round < 50; ++round) {
        std::string got, want;
        {
            io::Output out(got);
            for (int k = 0; k < 200; ++k) {
                std::size_t size = rng() % 4 == 0 ? rng() % 150'000 : rng() % 40;
                std::string_view piece(all.data() + rng() % (source.size() - size), size);
                std::string_view head = rng() % 2 ? "-1" : "";
                switch (rng() % 3) {
                case 0: out.write(piece); want += piece; break;
                case 1: out.put('.'); want += '.'; break;
                default:
                    out.line(head, piece);
                    want += head;
                    want += piece;
                    want += '\n';
                }
            }
            out.flush();
        }
        ASSERT_EQ(got, want) << "round " << round;
    }
}

}  // namespace
