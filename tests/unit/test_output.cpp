// io::Output: whatever mix of pieces goes in comes out whole and in order,
// across every buffer boundary.
#include "input.hpp"
#include "output.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
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

// Ranges of a file go out in order among the rest: by sendfile() to a file,
// and through the buffer to a string or to a file opened for appending,
// which sendfile() refuses.
TEST(Output, RangesOfAFileArriveInOrder)
{
    std::mt19937_64 rng(6);
    std::string source(200'000, 'x');
    for (auto& c : source) c = static_cast<char>('a' + rng() % 26);
    std::FILE* file = std::tmpfile();
    ASSERT_EQ(std::fwrite(source.data(), 1, source.size(), file), source.size());
    std::fflush(file);
    const std::string path = testing::TempDir() + "output_ranges";
    for (int target = 0; target < 3; ++target) {
        std::string got, want;
        int fd = target == 0 ? -1 : ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | (target == 2 ? O_APPEND : 0), 0600);
        {
            io::Output out = target == 0 ? io::Output(got) : io::Output(fd);
            for (int k = 0; k < 100; ++k) {
                std::size_t from = rng() % source.size(), count = rng() % (source.size() - from + 1);
                out.write_file(fileno(file), from, count);
                want.append(source, from, count);
                out.put('.');
                want += '.';
            }
            out.flush();
        }
        if (fd >= 0) {
            ::close(fd);
            std::ifstream written(path, std::ios::binary);
            got.assign(std::istreambuf_iterator<char>(written), {});
        }
        ASSERT_EQ(got, want) << "target " << target;
    }
    std::fclose(file);
}

}  // namespace
