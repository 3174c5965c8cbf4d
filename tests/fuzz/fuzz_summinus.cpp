// Fuzz target: summinus against the std::string design.
#include "digits_ref.hpp"
#include "fuzz_target.hpp"
#include "lower.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto program = fuzz::on_a_path(data, size, summinus::run_on, summinus::run);
    return fuzz::differential(data, size, program, [](std::istream& in, std::ostream& out) {
        reference::summinus(in, out);
        return true;
    });
}
