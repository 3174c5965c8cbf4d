// Fuzz target: summinus against the std::string design.
#include "digits_ref.hpp"
#include "fuzz_target.hpp"
#include "lower.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzz::differential(data, size, summinus::run, [](std::istream& in, std::ostream& out) {
        reference::summinus(in, out);
        return true;
    });
}
