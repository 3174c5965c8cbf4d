// summinus: each input number with its rightmost non-zero digit lowered by one.
//
// Reads whitespace-separated decimal integers of any length and prints one
// answer per line: 120 gives 110, 909 gives 908, 1 and 100 give 0. For a
// positive number that is the largest integer below it whose digit sum is one
// smaller. The word END ends the run, as does the end of input. A token of
// zeros is printed as it is; other tokens are rewritten by the same
// character rule. Exit status 0, or 1 after a read or write error.
#include "input.hpp"
#include "lines.hpp"
#include "lower.hpp"
#include "output.hpp"

#include <unistd.h>

int main()
{
    io::program_name = "summinus";
    io::Output out(STDOUT_FILENO);
    io::Input in(STDIN_FILENO, &out);
    io::answer_tokens(in, out, summinus::lower_rightmost);
    out.close();
    return 0;
}
