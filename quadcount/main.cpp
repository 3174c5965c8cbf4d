// quadcount: count the picks that stay within a budget.
//
// Reads records from standard input, each a budget and four lists of
// integers: "Limit S M D B" followed by S, M, D and B elements, all separated
// by any whitespace. For each record prints one line: how many ways there are
// to pick one element from each list, in order, so that the running total
// after the second, third and fourth pick is at most Limit. A record whose
// four counts are all 0 ends the run, as do the end of input and a header
// that cannot be read. Exit status 0, or 1 after a read or write error.
#include "input.hpp"
#include "output.hpp"
#include "records.hpp"

#include <unistd.h>

int main()
{
    io::program_name = "quadcount";
    io::Output out(STDOUT_FILENO);
    io::Input in(STDIN_FILENO, &out);
    quadcount::run(in, out);
    out.close();
    return 0;
}
