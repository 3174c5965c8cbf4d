// The token loop shared by the digit-string filters.
#pragma once

#include "input.hpp"
#include "output.hpp"

#include <string_view>

namespace io {

// One answer line: `head` then `rest`, then a newline.
struct Line {
    std::string_view head;
    std::string_view rest;
};

// Writes rewrite(token) as a line for every token up to the end of input or
// the token "END", which ends the run unanswered; nothing after it is read.
template <class Rewrite>
void answer_tokens(Input& in, Output& out, Rewrite rewrite)
{
    for (;;) {
        std::span<char> token = in.token();
        if (token.empty() || std::string_view(token.data(), token.size()) == "END") return;
        Line line = rewrite(token);
        out.line(line.head, line.rest);
    }
}

}  // namespace io
