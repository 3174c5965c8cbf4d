// A digit filter's main; see paths.hpp.
#include "filter.hpp"
#include "paths.hpp"

namespace tokens {

int filter_main(int argc, char** argv, std::string_view name, std::string_view usage,
                void (*run)(io::Input&, io::Output&, io::Complaints&))
{
    return io::filter_main(
        argc, argv, name, usage, [run](io::Input& in, io::Output& out, io::Complaints& c) { run(in, out, c); }, {},
        about);
}

}  // namespace tokens
