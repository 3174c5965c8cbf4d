// What every filter's main does: the shared command line, then the filter
// itself between standard input and standard output.
#pragma once

#include "input.hpp"
#include "output.hpp"
#include "shortage.hpp"

#include <functional>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unistd.h>

namespace io {

// An option of the program's own that takes a value, given as
// "--NAME=VALUE" or "--NAME VALUE": take(VALUE) keeps the value, or returns
// false to refuse it.
struct Option {
    std::string_view name;  // with its dashes: "--parallel"
    std::function<bool(std::string_view)> take;
};

// The command line: PROGRAM [--help | --version] [OPTION]... [--] [OPERAND]...
// A lone "--help" or "--version" prints `usage` or the version on standard
// output and exits 0. Otherwise returns the operands joined by single spaces
// and ended by a newline, which are then the whole input, or nothing when
// there are none and standard input is read. Before "--", an argument that
// starts with '-' is an option unless it is "-" alone or '-' and a digit (a
// negative number); an option that is not one of `options`, a value one of
// them refuses, and --help or --version beside other arguments are usage
// errors: one line on standard error and exit 2, before anything is read.
// --version prints the version line, then about() where given: the paths
// this processor gets.
std::optional<std::string> handle_arguments(int argc, char** argv, std::string_view usage,
                                            std::span<const Option> options = {},
                                            std::string (*about)() = nullptr);

// What every usage text ends with, after the program's own part.
inline constexpr std::string_view usage_tail =
    "\n"
    "Reads the operands, joined by spaces as one line, or standard input when there\n"
    "are none. After \"--\" every argument is an operand.\n"
    "\n"
    "Exit status: 0; 1 after a read or write error, or when out of memory; 2 for a\n"
    "usage error.\n";

// The whole program `name`, whose usage text is `usage` and usage_tail, with
// its `options` and `about` (see handle_arguments): handles the command line, runs body(in, out) on
// the operands or standard input and on standard output, and reports any
// write error left at the end. Running out of memory ends it with
// "<name>: out of memory" (and a Shortage's detail) and status 1, the
// answers before kept whole.
template <class Body>
int filter_main(int argc, char** argv, std::string_view name, std::string_view usage, Body body,
                std::span<const Option> options = {}, std::string (*about)() = nullptr)
{
    program_name = name;
    std::optional<std::string> operands =
        handle_arguments(argc, argv, std::string(usage) + std::string(usage_tail), options, about);
    std::optional<Output> out;
    try {
        out.emplace(STDOUT_FILENO);
        if (operands) {
            Input in(*operands, std::size_t{1} << 16);
            body(in, *out);
        } else {
            Input in(STDIN_FILENO, &*out);
            body(in, *out);
        }
    } catch (const std::bad_alloc& e) {
        if (out) {
            out->drop_partial_line();
            out->flush();
        }
        const auto* shortage = dynamic_cast<const Shortage*>(&e);
        fail(shortage != nullptr ? "out of memory: " + shortage->detail : std::string("out of memory"));
    }
    out->close();
    return 0;
}

}  // namespace io
