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
    // Answers one token; false at the sentinel.
    auto answer = [&](std::span<char> token) {
        if (std::string_view(token.data(), token.size()) == "END") return false;
        Line line = rewrite(token);
        out.line(line.head, line.rest);
        return true;
    };
    for (;;) {
        // Tokens that end inside the bytes already read are answered in place...
        std::span<char> window = in.window();
        char* p = window.data();
        char* end = p + window.size();
        for (;;) {
            while (p < end && is_space(static_cast<unsigned char>(*p))) ++p;
            char* q = find_space(p, end);
            if (q == end) break;
            if (!answer({p, q})) return;
            p = q;
        }
        in.consume(static_cast<std::size_t>(p - window.data()));
        // ...and the one that may run on past them is read whole.
        std::span<char> token = in.token();
        if (token.empty() || !answer(token)) return;
    }
}

}  // namespace io
