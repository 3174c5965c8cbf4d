// The digit filters' vector paths; see paths.hpp.
#include "paths.hpp"

namespace io {

namespace {

bool have_avx2()
{
#if defined(__x86_64__) && defined(__GNUC__)
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
#else
    return false;
#endif
}

}  // namespace

std::vector<Path> paths()
{
    std::vector<Path> all{Path::portable};
    if (have_avx2()) all.push_back(Path::avx2);
    return all;
}

Path best_path() { return have_avx2() ? Path::avx2 : Path::portable; }

std::string_view path_name(Path path) { return path == Path::avx2 ? "avx2" : "portable"; }

}  // namespace io
