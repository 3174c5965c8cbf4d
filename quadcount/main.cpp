// quadcount: count the picks that stay within a budget.
//
// Reads records from standard input, each a budget and four lists of
// integers: "Limit S M D B" followed by S, M, D and B elements, all separated
// by any whitespace. For each record prints one line: how many ways there are
// to pick one element from each list, in order, so that the running total
// after the second, third and fourth pick is at most Limit. A record whose
// four counts are all 0 ends the run, as do the end of input and a header
// that cannot be read. While a long record is counted, a status line on
// standard error shows its progress, if that is a terminal. Numbers given
// as operands are read instead of standard input. Exit status 0; 1 after a
// read or write error or when out of memory; 2 for a usage error.
#include "filter.hpp"
#include "records.hpp"

#include <string_view>

namespace {

constexpr std::string_view usage =
    "Usage: quadcount [--help | --version] [--] [NUMBER]...\n"
    "\n"
    "Reads records, each \"Limit S M D B\" followed by S, M, D and B integers (four\n"
    "lists), all separated by any whitespace. For each record prints one line: the\n"
    "number of picks (x1, x2, x3, x4), one from each list, with x1+x2, x1+x2+x3\n"
    "and x1+x2+x3+x4 all at most Limit. A record whose four counts are all 0 ends\n"
    "the run.\n"
    "\n"
    "While a record that takes more than about a second is counted, and standard\n"
    "error is a terminal, one status line there shows its progress; it is erased\n"
    "before the record's answer. Nothing else is ever written to standard error\n"
    "but a diagnostic.\n";

}  // namespace

int main(int argc, char** argv)
{
    return io::filter_main(argc, argv, "quadcount", usage, quadcount::run);
}
