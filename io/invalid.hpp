// --invalid=MODE: what the filters do with input they cannot take as their
// format expects. Their answers are the same in every mode; what changes is
// what the user hears of it:
//   ignore  nothing (the default);
//   warn    one line on standard error for each such input;
//   fail    as warn, then exit status 2 at the end;
//   abort   the first such line, after every answer before it is written,
//           then exit status 2.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace io {

class Output;

enum class Invalid { ignore, warn, fail, abort };

struct Aborted {};

// The mode a value of --invalid names, or none.
std::optional<Invalid> invalid_mode(std::string_view name);

class Complaints {
public:
    // `noun` is what the digit filters call a token: "token", or "operand"
    // when the operands are the input. The lines go to `fd`.
    explicit Complaints(Invalid mode = Invalid::ignore, std::string_view noun = "token", int fd = 2)
        : mode_(mode), noun_(noun), fd_(fd)
    {
    }

    // Whether the program should look for input to complain of at all.
    bool on() const { return mode_ != Invalid::ignore; }
    Invalid mode() const { return mode_; }
    std::string_view noun() const { return noun_; }

    // One diagnostic, "<program>: <text>". Under abort, `out` is flushed
    // first, and Aborted thrown: filter_main() ends the program with status 2.
    void say(Output& out, std::string_view text);
    std::uint64_t said() const { return said_; }

private:
    Invalid mode_;
    std::string_view noun_;
    int fd_;
    std::uint64_t said_ = 0;
};

// Input text as a diagnostic quotes it: in single quotes, a byte outside
// printable ASCII (and the backslash) as \xHH, cut after `most` bytes with "...".
std::string quoted_text(std::string_view text, std::size_t most = 24);

}  // namespace io
