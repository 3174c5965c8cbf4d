// The command line the filters share: none, --help or --version.
#pragma once

#include <string_view>

namespace io {

// With no arguments, returns: the program reads standard input. With
// exactly "--help" or "--version", prints `usage` or the version on standard
// output and exits 0. Anything else is a usage error: one line on standard
// error and exit 2, so that a file name is never silently ignored while the
// program waits on the terminal.
void handle_arguments(int argc, char** argv, std::string_view usage);

}  // namespace io
