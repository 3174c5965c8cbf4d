// summinus: each input number with its rightmost non-zero digit lowered by one.
//
// Reads whitespace-separated decimal integers of any length and prints one
// answer per line: 120 gives 110, 909 gives 908, 1 and 100 give 0. For a
// positive number that is the largest integer below it whose digit sum is one
// smaller. The word END ends the run, as does the end of input. A token of
// zeros is printed as it is; other tokens are rewritten by the same
// character rule. Numbers given as operands are read instead of standard
// input. Exit status 0; 1 after a read or write error or when out of memory;
// 2 for a usage error.
#include "paths.hpp"
#include "lower.hpp"

#include <string_view>

namespace {

constexpr std::string_view usage = R"(Usage: summinus [--help | --version] [--invalid=MODE] [--] [NUMBER]...

Reads decimal integers of any length and prints each, one per line, with its
rightmost non-zero digit lowered by one: 120 gives 110, 909 gives 908, 100
gives 0. For a positive number that is the largest integer below it whose
digit sum is one smaller. The word END ends the run.

)";

}  // namespace

int main(int argc, char** argv) { return tokens::filter_main(argc, argv, "summinus", usage, summinus::run); }
