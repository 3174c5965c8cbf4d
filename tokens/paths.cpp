// The digit filters' vector paths; see paths.hpp.
#include "paths.hpp"

#include "features.hpp"

namespace tokens {

std::vector<Path> paths()
{
    std::vector<Path> all{Path::portable};
    if (machine::has_avx2()) all.push_back(Path::avx2);
    return all;
}

Path best_path() { return machine::has_avx2() ? Path::avx2 : Path::portable; }

std::string_view path_name(Path path) { return path == Path::avx2 ? "avx2" : "portable"; }

std::string about()
{
    std::string text = "vector path: ";
    text.append(path_name(best_path())).append(" (this processor runs");
    for (Path path : paths()) text.append(" ").append(path_name(path));
    return text.append(")\n");
}

}  // namespace tokens
