// --invalid; see invalid.hpp.
#include "invalid.hpp"

#include "output.hpp"

#include <cstdio>
#include <unistd.h>

namespace io {

std::optional<Invalid> invalid_mode(std::string_view name)
{
    if (name == "ignore") return Invalid::ignore;
    if (name == "warn") return Invalid::warn;
    if (name == "fail") return Invalid::fail;
    if (name == "abort") return Invalid::abort;
    return std::nullopt;
}

void Complaints::say(Output& out, std::string_view text)
{
    if (mode_ == Invalid::ignore) return;
    ++said_;
    if (mode_ == Invalid::abort) out.flush();
    std::string line(program_name);
    line.append(": ").append(text).push_back('\n');
    // A diagnostic that cannot be written is not the filter's failure.
    for (std::size_t at = 0; at < line.size();) {
        ssize_t n = ::write(fd_, line.data() + at, line.size() - at);
        if (n <= 0) break;
        at += static_cast<std::size_t>(n);
    }
    if (mode_ == Invalid::abort) throw Aborted{};
}

std::string quoted_text(std::string_view text, std::size_t most)
{
    std::string q(1, '\'');
    for (std::size_t i = 0; i < text.size() && i < most; ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c >= 0x7f || c == '\\') {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            q += hex;
        } else {
            q += static_cast<char>(c);
        }
    }
    q += '\'';
    if (text.size() > most) q += "...";
    return q;
}

}  // namespace io
