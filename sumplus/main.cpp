// sumplus: the largest integer below each input number whose digit sum is one
// greater.
//
// Reads whitespace-separated decimal integers of any length, possibly
// negative, and prints one answer per line: 123 gives 115, 100 gives 20, 19
// gives -29, -99 gives -199. The sign does not count towards the digit sum.
// The word END ends the run, as does the end of input. Tokens that are not
// canonical integers are rewritten by the same character rules. Exit status
// 0, or 1 after a read or write error.
#include "input.hpp"
#include "lines.hpp"
#include "output.hpp"
#include "rewrite.hpp"

#include <unistd.h>

int main()
{
    io::program_name = "sumplus";
    io::Output out(STDOUT_FILENO);
    io::Input in(STDIN_FILENO, &out);
    io::answer_tokens(in, out, sumplus::predecessor);
    out.close();
    return 0;
}
