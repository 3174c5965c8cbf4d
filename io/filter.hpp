// What every filter's main does: the shared command line, then the filter
// itself between standard input and standard output.
#pragma once

#include "input.hpp"
#include "invalid.hpp"
#include "output.hpp"
#include "shortage.hpp"

#include <functional>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

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
    "  --invalid=MODE\n"
    "                what to do with input not in the expected format: ignore it\n"
    "                (the default), warn of each on standard error, fail (warn,\n"
    "                then exit status 2 at the end) or abort (the first warning,\n"
    "                then exit status 2); the answers are the same in every mode\n"
    "\n"
    "Reads the operands, joined by spaces as one line, or standard input when there\n"
    "are none. After \"--\" every argument is an operand.\n"
    "\n"
    "Exit status: 0; 1 after a read or write error, or when out of memory; 2 for a\n"
    "usage error, or input not in the expected format under --invalid=fail or abort.\n";

// The whole program `name`, whose usage text is `usage` and usage_tail, with
// its `options` and `about` (see handle_arguments) and --invalid: handles the
// command line, runs body(in, out, complaints) on the operands or standard
// input and on standard output, and reports any write error left at the end.
// Running out of memory ends it with "<name>: out of memory" (and a
// Shortage's detail) and status 1, the answers before kept whole.
template <class Body>
int filter_main(int argc, char** argv, std::string_view name, std::string_view usage, Body body,
                std::span<const Option> options = {}, std::string (*about)() = nullptr)
{
    program_name = name;
    Invalid invalid = Invalid::ignore;
    std::vector<Option> all(options.begin(), options.end());
    all.push_back({"--invalid", [&invalid](std::string_view value) {
                       std::optional<Invalid> mode = invalid_mode(value);
                       if (mode) invalid = *mode;
                       return mode.has_value();
                   }});
    std::optional<std::string> operands =
        handle_arguments(argc, argv, std::string(usage) + std::string(usage_tail), all, about);
    Complaints complaints(invalid, operands ? "operand" : "token");
    std::optional<Output> out;
    try {
        out.emplace(STDOUT_FILENO);
        if (operands) {
            Input in(*operands, std::size_t{1} << 16);
            body(in, *out, complaints);
        } else {
            Input in(STDIN_FILENO, &*out);
            body(in, *out, complaints);
        }
    } catch (const std::bad_alloc& e) {
        if (out) {
            out->drop_partial_line();
            out->flush();
        }
        const auto* shortage = dynamic_cast<const Shortage*>(&e);
        fail(shortage != nullptr ? "out of memory: " + shortage->detail : std::string("out of memory"));
    } catch (const Aborted&) {
        out->close();
        return 2;
    }
    out->close();
    return complaints.said() > 0 && invalid == Invalid::fail ? 2 : 0;
}

}  // namespace io
