// Fuzz target: summinus against the std::string design.
#include "digits_ref.hpp"
#include "fuzz_target.hpp"
#include "lines.hpp"
#include "lower.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzz::differential(
        data, size, [](io::Input& in, io::Output& out) { io::answer_tokens(in, out, summinus::lower_rightmost); },
        [](std::istream& in, std::ostream& out) {
            reference::summinus(in, out);
            return true;
        });
}
