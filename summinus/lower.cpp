// lower_rightmost; see lower.hpp.
#include "lower.hpp"

namespace summinus {

io::Line lower_rightmost(std::span<char> number)
{
    std::string_view whole(number.data(), number.size());
    std::size_t i = whole.find_last_not_of('0');
    if (i == std::string_view::npos) return {{}, whole};
    number[i] = static_cast<char>(static_cast<unsigned char>(number[i]) - 1);
    if (i == 0 && number[0] == '0') return {{}, whole.substr(0, 1)};  // "0"
    return {{}, whole};
}

}  // namespace summinus
