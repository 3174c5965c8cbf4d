// The digit filters under --invalid other than ignore: every token checked
// against the form of a canonical number, then answered by the general
// rewrite, one at a time. Slower than answer_tokens(), and only taken when
// asked; the answers are the same bytes.
#pragma once

#include "invalid.hpp"
#include "loop.hpp"

#include <cstdint>
#include <string>
#include <string_view>

namespace tokens {

// The form of a canonical number: an optional '-' where `signed_` (sumplus),
// then digits with no leading zero; 0 itself only where `zero` is allowed
// (summinus takes positive numbers alone).
struct Form {
    bool signed_;
    bool zero;
};

// What makes a token other than a canonical number, fed in parts: the first
// fault, or empty while there is none.
class Canonical {
public:
    explicit Canonical(Form form) : form_(form) {}
    void add(std::string_view part);
    // After the last part: the fault, or empty for a canonical number.
    std::string fault() const;

private:
    Form form_;
    std::uint64_t at_ = 0;      // bytes seen
    std::uint64_t digits_ = 0;  // digits seen
    char first_ = 0;            // the first digit
    std::string fault_;
};

// A token's line to `complaints` where it is not canonical: "token N 'TEXT':
// FAULT" (or "operand N").
void complain(io::Complaints& complaints, Output& out, std::uint64_t number, std::string_view text,
              const std::string& fault);

// The filter's tokens up to END or the end of input, each checked against
// `form` and answered by rewrite(token), or, too long to hold, by
// stream(in, out, first_part); as answer_tokens() answers them. A fault in
// the first part of a token is said before its answer; one past it, after.
template <class Rewrite, class Stream>
void answer_checked(Input& in, Output& out, Rewrite rewrite, Stream stream, Form form, io::Complaints& complaints)
{
    for (std::uint64_t number = 1;; ++number) {
        bool more = false;
        std::span<char> token = in.part(more);
        if (token.empty() && !more) return;
        std::string_view text(token.data(), token.size());
        if (!more && text == "END") return;
        Canonical check(form);
        check.add(text);
        if (!more) {
            complain(complaints, out, number, text, check.fault());
            Line line = rewrite(token);
            out.line(line.head, line.rest);
            continue;
        }
        const std::string head(text.substr(0, 32));  // the parts that follow overwrite the token's bytes
        std::string early = check.fault();
        complain(complaints, out, number, head, early);
        in.watch([](void* c, std::span<const char> part) {
            static_cast<Canonical*>(c)->add({part.data(), part.size()});
        }, &check);
        stream(in, out, token);
        in.watch(nullptr, nullptr);
        if (early.empty()) complain(complaints, out, number, head, check.fault());
    }
}

}  // namespace tokens
