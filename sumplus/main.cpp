// sumplus: the largest integer below each input number whose digit sum is one
// greater.
//
// Reads whitespace-separated decimal integers of any length, possibly
// negative, and prints one answer per line: 123 gives 115, 100 gives 20, 19
// gives -29, -99 gives -199. The sign does not count towards the digit sum.
// The word END ends the run, as does the end of input. Tokens that are not
// canonical integers are rewritten by the same character rules. Exit status
// 0; 1 after a read or write error or when out of memory; 2 for a usage error.
#include "paths.hpp"
#include "rewrite.hpp"

#include <string_view>

namespace {

constexpr std::string_view usage = R"(Usage: sumplus [--help | --version] [--invalid=MODE] [--] [NUMBER]...

Reads decimal integers of any length and prints, one per line, the largest
integer below each whose digit sum (the sign not counted) is one greater:
123 gives 115, 100 gives 20, 19 gives -29, -99 gives -199. The word END ends
the run.

)";

}  // namespace

int main(int argc, char** argv) { return tokens::filter_main(argc, argv, "sumplus", usage, sumplus::run); }
