// What every filter's main does: the shared command line, then the filter
// itself between standard input and standard output.
#pragma once

#include "input.hpp"
#include "output.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>

namespace io {

// The command line: PROGRAM [--help | --version] [--] [OPERAND]...
// A lone "--help" or "--version" prints `usage` or the version on standard
// output and exits 0. Otherwise returns the operands joined by single spaces
// and ended by a newline, which are then the whole input, or nothing when
// there are none and standard input is read. Before "--", an argument that
// starts with '-' is an option unless it is "-" alone or '-' and a digit (a
// negative number); an option other than a lone --help or --version is a
// usage error: one line on standard error and exit 2, before anything is read.
std::optional<std::string> handle_arguments(int argc, char** argv, std::string_view usage);

// The whole program `name`: handles the command line, runs body(in, out) on
// the operands or standard input and on standard output, and reports any
// write error left at the end.
template <class Body>
int filter_main(int argc, char** argv, std::string_view name, std::string_view usage, Body body)
{
    program_name = name;
    std::optional<std::string> operands = handle_arguments(argc, argv, usage);
    Output out(STDOUT_FILENO);
    if (operands) {
        Input in(*operands, std::size_t{1} << 16);
        body(in, out);
    } else {
        Input in(STDIN_FILENO, &out);
        body(in, out);
    }
    out.close();
    return 0;
}

}  // namespace io
