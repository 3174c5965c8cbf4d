// quadcount: count the picks that stay within a budget.
//
// Reads records from standard input, each a budget and four lists of
// integers: "Limit S M D B" followed by S, M, D and B elements, all separated
// by any whitespace. For each record prints one line: how many ways there are
// to pick one element from each list, in order, so that the running total
// after the second, third and fourth pick is at most Limit. A record whose
// four counts are all 0 ends the run, as do the end of input and a header
// that cannot be read. A record is counted on as many threads as it can use,
// up to the CPUs the process may use or the --parallel=N given. While a long record is counted, a status line on
// standard error shows its progress, if that is a terminal. Numbers given
// as operands are read instead of standard input. Exit status 0; 1 after a
// read or write error or when out of memory; 2 for a usage error.
#include "filter.hpp"
#include "records.hpp"

#include <charconv>
#include <string_view>

namespace {

constexpr std::string_view usage =
    "Usage: quadcount [--help | --version] [--parallel=N] [--] [NUMBER]...\n"
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
    "but a diagnostic.\n"
    "\n"
    "  --parallel=N  count on at most N threads (1 to 1024); by default as many as\n"
    "                the CPUs it may use (its affinity mask and CPU quota)\n";

// The most threads a count may take, from "--parallel=N": 0 for as many as
// the process has CPUs.
unsigned parallel = 0;

bool take_parallel(std::string_view value)
{
    unsigned n = 0;
    auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), n);
    if (error != std::errc() || end != value.data() + value.size() || n < 1 || n > 1024) return false;
    parallel = n;
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const io::Option options[] = {{"--parallel", take_parallel}};
    return io::filter_main(
        argc, argv, "quadcount", usage, [](io::Input& in, io::Output& out) { quadcount::run(in, out, parallel); },
        options);
}
