// bench-gen: writes benchmark inputs to standard output.
//
//   bench-gen quad LIMIT LO HI S M D B [RECORDS]   records of random lists, values in [LO, HI]
//   bench-gen tokens COUNT MAXDIGITS [NEGATIVE%]   decimal integers of 1..MAXDIGITS digits
//   bench-gen long DIGITS                          one integer of DIGITS digits
//
// The same arguments always give the same bytes.
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

std::mt19937_64 rng(12345);

void put(const std::string& s) { std::fwrite(s.data(), 1, s.size(), stdout); }

void quad(char** a, int n)
{
    long long limit = std::atoll(a[0]), lo = std::atoll(a[1]), hi = std::atoll(a[2]);
    long long counts[4] = {std::atoll(a[3]), std::atoll(a[4]), std::atoll(a[5]), std::atoll(a[6])};
    long long records = n > 7 ? std::atoll(a[7]) : 1;
    std::uniform_int_distribution<long long> value(lo, hi);
    std::string out;
    for (long long r = 0; r < records; ++r) {
        out = std::to_string(limit);
        for (long long c : counts) out += ' ' + std::to_string(c);
        out += '\n';
        for (long long c : counts) {
            for (long long i = 0; i < c; ++i) {
                out += std::to_string(value(rng));
                out += i + 1 == c ? '\n' : ' ';
                if (out.size() > 1 << 16) { put(out); out.clear(); }
            }
        }
        put(out);
    }
    put("0 0 0 0 0\n");
}

void tokens(char** a)
{
    long long count = std::atoll(a[0]);
    int digits = std::atoi(a[1]);
    int negative = a[2] ? std::atoi(a[2]) : 0;
    std::string out;
    for (long long i = 0; i < count; ++i) {
        if (static_cast<int>(rng() % 100) < negative) out += '-';
        int len = 1 + static_cast<int>(rng() % static_cast<unsigned>(digits));
        out += static_cast<char>('1' + rng() % 9);
        for (int k = 1; k < len; ++k) out += static_cast<char>('0' + rng() % 10);
        out += '\n';
        if (out.size() > 1 << 16) { put(out); out.clear(); }
    }
    put(out);
    put("END\n");
}

void long_token(char** a)
{
    long long digits = std::atoll(a[0]);
    std::string out(1 << 16, '0');
    out[0] = '1';
    for (long long done = 0; done < digits; done += static_cast<long long>(out.size())) {
        for (std::size_t k = done ? 0 : 1; k < out.size(); ++k) out[k] = static_cast<char>('0' + rng() % 10);
        if (digits - done < static_cast<long long>(out.size())) out.resize(static_cast<std::size_t>(digits - done));
        put(out);
    }
    put("\n");
}

}  // namespace

int main(int argc, char** argv)
{
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "quad" && argc >= 9) quad(argv + 2, argc - 2);
    else if (mode == "tokens" && argc >= 4) tokens(argv + 2);
    else if (mode == "long" && argc >= 3) long_token(argv + 2);
    else {
        std::fputs("usage: bench-gen quad|tokens|long ARGS (see the source)\n", stderr);
        return 2;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
