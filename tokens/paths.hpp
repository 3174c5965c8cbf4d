// The vector paths of the digit filters' token loop, and the choice between
// them, made here alone.
//
// `portable` answers a token at a time and runs everywhere. `avx2` answers
// every token of a block of 64 fit bytes at once, with 32-byte vectors.
// Gain of the avx2 path against the portable one, on 10^7 numbers of 1-4
// digits: sumplus 0.73x the time, summinus 0.56x (AMD EPYC family 26 model
// 2, Zen 5; docs/PERFORMANCE.md, "2026-12-09: AMD EPYC, family 26, model
// 2"). On Zen 4 a block path with 64-byte vectors was no faster, so there is
// none ("2026-12-09: AMD EPYC, family 25, model 17"). Every path gives the
// same bytes; the tests run each the processor has.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace io {
class Complaints;
class Input;
class Output;
}  // namespace io

namespace tokens {

enum class Path { portable, avx2 };

// The paths this processor can run, portable first.
std::vector<Path> paths();
// The path the filters take: the widest this processor can run.
Path best_path();
std::string_view path_name(Path path);
// For --version: the path taken, and those the processor has.
std::string about();

// The whole digit filter `name` (program.cpp): io::filter_main() with
// `usage`, about() and run(in, out, complaints).
int filter_main(int argc, char** argv, std::string_view name, std::string_view usage,
                void (*run)(io::Input&, io::Output&, io::Complaints&));

}  // namespace tokens
