// Fuzz target: quadcount against the multiset design, on records small enough
// for it to count one pick at a time.
#include "fuzz_target.hpp"
#include "quadcount_ref.hpp"
#include "records.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzz::differential(data, size, quadcount::run, [](std::istream& in, std::ostream& out) {
        return reference::quadcount(in, out, 64);
    });
}
