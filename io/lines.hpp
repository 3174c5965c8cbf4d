// The token loop shared by the digit-string filters.
#pragma once

#include "input.hpp"
#include "output.hpp"

#include <string_view>
#include <type_traits>

namespace io {

// One answer line: `head` then `rest`, then a newline.
struct Line {
    std::string_view head;
    std::string_view rest;
};

// Tells answer_tokens to read every token whole.
struct WholeTokens {};

// Writes rewrite(token) as a line for every token up to the end of input or
// the token "END", which ends the run unanswered; nothing after it is read.
// With a `stream` other than WholeTokens, a token too long to hold (see
// Input::part; such a token is never the sentinel) is handed to
// stream(in, out, first_part) instead, which answers it as its parts arrive.
template <class Rewrite, class Stream = WholeTokens>
void answer_tokens(Input& in, Output& out, Rewrite rewrite, Stream stream = {})
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
            p = q + 1;  // *q is whitespace
        }
        in.consume(static_cast<std::size_t>(p - window.data()));
        // ...and the one that may run on past them is read on.
        if constexpr (std::is_same_v<Stream, WholeTokens>) {
            std::span<char> token = in.token();
            if (token.empty() || !answer(token)) return;
        } else {
            bool more = false;
            std::span<char> token = in.part(more);
            if (more)
                stream(in, out, token);
            else if (token.empty() || !answer(token))
                return;
        }
    }
}

}  // namespace io
