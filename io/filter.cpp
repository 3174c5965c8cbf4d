// The command line the filters share; see filter.hpp.
#include "filter.hpp"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#ifndef FILTERS_VERSION
#define FILTERS_VERSION "unknown"
#endif

namespace io {

namespace {

// Ends the program with a usage error: `what`, and a pointer to --help.
[[noreturn]] void usage_error(const std::string& what)
{
    std::string name(program_name);
    std::fprintf(stderr, "%s: %s (see %s --help)\n", name.c_str(), what.c_str(), name.c_str());
    std::exit(2);
}

std::string quoted(std::string_view text)
{
    std::string q(1, '\'');
    q.append(text).push_back('\'');
    return q;
}

// Takes the option in argv[i], and its value from argv[i + 1] where it is
// not joined to it by '='; returns the index of its last argument.
int take_option(int argc, char** argv, int i, std::span<const Option> options)
{
    std::string_view arg = argv[i];
    std::string_view name = arg.substr(0, arg.find('='));
    for (const Option& option : options) {
        if (name != option.name) continue;
        bool joined = name.size() < arg.size();
        if (!joined && i + 1 == argc) usage_error("option " + quoted(name) + " needs a value");
        std::string_view value = joined ? arg.substr(name.size() + 1) : std::string_view(argv[++i]);
        if (!option.take(value)) usage_error("invalid value " + quoted(value) + " for " + quoted(name));
        return i;
    }
    if (arg == "--help" || arg == "--version") usage_error(quoted(arg) + " must be the only argument");
    usage_error("unknown option " + quoted(arg));
}

}  // namespace

std::optional<std::string> handle_arguments(int argc, char** argv, std::string_view usage,
                                            std::span<const Option> options, std::string (*about)())
{
    if (argc <= 1) return std::nullopt;
    std::string_view first = argv[1];
    if (argc == 2 && (first == "--help" || first == "--version")) {
        Output out(STDOUT_FILENO);
        if (first == "--help") {
            out.write(usage);
        } else {
            out.write(program_name);
            out.write(" " FILTERS_VERSION "\n");
            if (about != nullptr) out.write(about());
        }
        out.close();
        std::exit(EXIT_SUCCESS);
    }
    std::string text;
    bool before_operands = true, any = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (before_operands && arg == "--") {
            before_operands = false;
            continue;
        }
        bool number = arg.size() >= 2 && arg[1] >= '0' && arg[1] <= '9';
        if (before_operands && arg.size() >= 2 && arg[0] == '-' && !number) {
            i = take_option(argc, argv, i, options);
            continue;
        }
        if (any) text += ' ';
        text += arg;
        any = true;
    }
    if (!any) return std::nullopt;  // "--" alone
    text += '\n';
    return text;
}

}  // namespace io
