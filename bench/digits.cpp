// bench-digits PROGRAM PATH: sumplus or summinus between standard input and
// standard output, held to one vector path (portable, avx2), so that the
// paths can be timed against each other on this processor. With no
// arguments, lists the paths this processor has.
#include "lower.hpp"
#include "paths.hpp"
#include "rewrite.hpp"

#include <cstdio>
#include <string_view>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc == 1) {
        for (tokens::Path path : tokens::paths()) std::printf("%s\n", std::string(tokens::path_name(path)).c_str());
        return 0;
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench-digits [sumplus|summinus portable|avx2]\n");
        return 2;
    }
    const std::string_view program = argv[1], name = argv[2];
    using Run = void (*)(tokens::Path, io::Input&, io::Output&);
    Run run_on = program == "sumplus" ? Run{sumplus::run_on} : program == "summinus" ? Run{summinus::run_on} : nullptr;
    for (tokens::Path path : tokens::paths()) {
        if (run_on == nullptr || tokens::path_name(path) != name) continue;
        io::program_name = "bench-digits";
        io::Output out(STDOUT_FILENO);
        io::Input in(STDIN_FILENO, &out);
        run_on(path, in, out);
        out.close();
        return 0;
    }
    std::fprintf(stderr, "bench-digits: no such program or path here: %s %s\n", argv[1], argv[2]);
    return 2;
}
