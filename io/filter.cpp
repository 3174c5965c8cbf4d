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

void handle_arguments(int argc, char** argv, std::string_view usage)
{
    if (argc <= 1) return;
    std::string_view arg = argv[1];
    if (argc == 2 && (arg == "--help" || arg == "--version")) {
        Output out(STDOUT_FILENO);
        if (arg == "--help") {
            out.write(usage);
        } else {
            out.write(program_name);
            out.write(" " FILTERS_VERSION "\n");
        }
        out.close();
        std::exit(EXIT_SUCCESS);
    }
    // The first argument that cannot stand: all but a lone --help or --version.
    const char* bad = arg == "--help" || arg == "--version" ? argv[2] : argv[1];
    std::string name(program_name);
    std::fprintf(stderr, "%s: unexpected argument '%s': input is read from standard input (see %s --help)\n",
                 name.c_str(), bad, name.c_str());
    std::exit(2);
}

}  // namespace io
