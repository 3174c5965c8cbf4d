// Checking tokens against a number's form; see checked.hpp.
#include "checked.hpp"

namespace tokens {

void Canonical::add(std::string_view part)
{
    for (std::size_t i = 0; i < part.size() && fault_.empty(); ++i, ++at_) {
        const char c = part[i];
        if (c >= '0' && c <= '9') {
            if (digits_++ == 0) first_ = c;
            else if (digits_ == 2 && first_ == '0') fault_ = "a leading zero";
            continue;
        }
        if (at_ == 0 && c == '-' && form_.signed_) continue;
        if (at_ == 0 && (c == '-' || c == '+')) {
            fault_ = std::string("a '") + c + "' sign";
        } else if (c == '\0') {
            fault_ = "a NUL byte at byte " + std::to_string(at_ + 1);
        } else {
            fault_ = io::quoted_text({&c, 1}) + " at byte " + std::to_string(at_ + 1) + ", not a digit";
        }
    }
}

std::string Canonical::fault() const
{
    if (!fault_.empty()) return fault_;
    if (digits_ == 0) return "no digits";
    if (digits_ == 1 && first_ == '0' && !form_.zero) return "not a positive number";
    return {};
}

void complain(io::Complaints& complaints, Output& out, std::uint64_t number, std::string_view text,
              const std::string& fault)
{
    if (fault.empty()) return;
    std::string line(complaints.noun());
    line.append(" ").append(std::to_string(number)).append(" ").append(io::quoted_text(text)).append(": ").append(fault);
    complaints.say(out, line);
}

}  // namespace tokens
