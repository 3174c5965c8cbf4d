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

// Ends the program with a usage error: `before`, the argument `arg` quoted,
// `after`, and a pointer to --help.
[[noreturn]] void usage_error(const char* before, const char* arg, const char* after)
{
    std::string name(program_name);
    std::fprintf(stderr, "%s: %s'%s'%s (see %s --help)\n", name.c_str(), before, arg, after, name.c_str());
    std::exit(2);
}

}  // namespace

std::optional<std::string> handle_arguments(int argc, char** argv, std::string_view usage)
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
        }
        out.close();
        std::exit(EXIT_SUCCESS);
    }
    std::string text;
    bool options = true, any = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (options && arg == "--") {
            options = false;
            continue;
        }
        bool number = arg.size() >= 2 && arg[1] >= '0' && arg[1] <= '9';
        if (options && arg.size() >= 2 && arg[0] == '-' && !number) {
            if (arg == "--help" || arg == "--version") usage_error("", argv[i], " must be the only argument");
            usage_error("unknown option ", argv[i], "");
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
