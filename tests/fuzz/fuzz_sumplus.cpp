// Fuzz target: sumplus against the prefix-sum design.
#include "digits_ref.hpp"
#include "fuzz_target.hpp"
#include "rewrite.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto program = fuzz::on_a_path(data, size, sumplus::run_on, sumplus::run);
    return fuzz::differential(data, size, program, [](std::istream& in, std::ostream& out) {
        reference::sumplus(in, out);
        return true;
    });
}
