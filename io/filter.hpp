// What every filter's main does: the shared command line, then the filter
// itself between standard input and standard output.
#pragma once

#include "input.hpp"
#include "output.hpp"

#include <string_view>
#include <unistd.h>

namespace io {

// With no arguments, returns: the program reads standard input. With
// exactly "--help" or "--version", prints `usage` or the version on standard
// output and exits 0. Anything else is a usage error: one line on standard
// error and exit 2, so that a file name is never silently ignored while the
// program waits on the terminal.
void handle_arguments(int argc, char** argv, std::string_view usage);

// The whole program `name`: handles the command line, runs body(in, out) on
// standard input and output, and reports any write error left at the end.
template <class Body>
int filter_main(int argc, char** argv, std::string_view name, std::string_view usage, Body body)
{
    program_name = name;
    handle_arguments(argc, argv, usage);
    Output out(STDOUT_FILENO);
    Input in(STDIN_FILENO, &out);
    body(in, out);
    out.close();
    return 0;
}

}  // namespace io
