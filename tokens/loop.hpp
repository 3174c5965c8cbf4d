// The token loop shared by the digit-string filters.
#pragma once

#include "input.hpp"
#include "masks.hpp"
#include "output.hpp"

#include <bit>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <string_view>

namespace tokens {

using io::Input;
using io::Output;

// One answer line: `head` then `rest`, then a newline.
struct Line {
    std::string_view head;
    std::string_view rest;
};

// Writes rewrite(token) as a line for every token up to the end of input or
// the token "END", which ends the run unanswered; nothing after it is read.
// Every token goes first to fast(token, size, line), which writes its whole
// line at `line` (room for 32 bytes) and returns its end, or returns null to
// decline it. fast() may read 16 bytes from the token's start whatever its
// size, and may change the token. It must decline "END", and any token that
// begins with whitespace: the loop takes a token to start just after the
// whitespace byte that ended the one before, and where more whitespace
// follows, fast() sees it first. A declined token is answered by rewrite().
//
// The `lean` path has lean.unfit(bytes, starts): the bytes
// of a block (bytes64() of it; `starts` marks the bytes that follow
// whitespace) that make it unfit for lean(). Where neither a token's block
// nor its bytes before that block have an unfit byte, it goes to lean()
// instead of fast(): the same contract, with the block's checks taken as
// done, and Input::front bytes before the token readable.
//
// A lean path may also answer whole blocks: where lean.block is not null,
// each block of 64 bytes in hand whose token that runs into it has no unfit
// byte goes first to lean.block(block, from, line, last, bytes). `from` <= 0
// is where that token starts, relative to the block (0: the byte before the
// block ended a token). It sets `bytes` to bytes64(block), answers every
// token that ends in the block, sets `last` to the block offset of the
// whitespace after the last and returns the end of their lines at `line`
// (room for 64 bytes more than they take); or it returns null, keeping
// nothing it wrote, and the block goes on as above with those bytes.
//
// The tokens in hand are found a batch at a time and answered straight into
// the output buffer. A token too long
// to hold (see Input::part; such a token is never the sentinel) is handed to
// stream(in, out, first_part) instead, which answers it as its parts arrive.
//
// The steps, in the order a window of input goes through them: window()
// answers the tokens that end in the bytes in hand, a batch of 2 KiB at a
// time, each block of 64 bytes by block(), whose tokens take() hands to the
// paths; the token that runs on past the window is read on by rest().
template <class Fast, class Rewrite, class Stream, class Lean>
void answer_tokens(Input& in, Output& out, Fast fast, Rewrite rewrite, Stream stream, Lean lean);

namespace detail {

template <class Fast, class Rewrite, class Stream, class Lean>
class Loop {
public:
    Loop(Input& in, Output& out, Fast fast, Rewrite rewrite, Stream stream, Lean lean)
        : in_(in), out_(out), fast_(fast), rewrite_(rewrite), stream_(stream), lean_(lean)
    {
    }

    void run()
    {
        while (window() && rest()) {
        }
    }

private:
    // Answers are written a batch of input at a time into room reserved
    // for them. Any size from 512 bytes to 8 KiB takes the same time, within
    // 3% (5 x 10^7 numbers of 1-4 digits, medians of 9, AMD EPYC family 26
    // model 2).
    static constexpr std::size_t batch_bytes = 2048;

    // Answers the tokens that end inside the bytes in hand, in place, found
    // 64 bytes at a time: each block's whitespace mask gives every token's
    // end at once, with no scan per token; each is taken to start after the
    // whitespace byte that ended the one before. False at the sentinel.
    bool window()
    {
        const std::span<char> window = in_.window();
        p_ = window.data();
        done_ = 0;
        before_ = 1;
        tainted_ = 0;
        for (std::size_t batch = 0; batch < window.size(); batch += batch_bytes) {
            // Every answer of a batch fits its room (tokens of up to 16 bytes
            // in place: at most 2 bytes for every byte read, and 64 more).
            at_ = out_.room(batch_bytes * 3);
            const std::size_t last = std::min(batch + batch_bytes, window.size());
            for (std::size_t base = batch; base < last; base += 64) {
                if (!block(base, last)) {
                    out_.wrote(static_cast<std::size_t>(at_ - out_.room(0)));
                    return false;
                }
            }
            out_.wrote(static_cast<std::size_t>(at_ - out_.room(0)));
        }
        in_.consume(done_);
        return true;
    }

    // The block at `base` (fewer than 64 bytes where `last` comes first): to
    // the lean block path where there is one and the block may take it, else
    // token by token. False at the sentinel.
    bool block(std::size_t base, std::size_t last)
    {
        Bytes64 bytes;
        bool have_bytes = false;
        if (lean_.block != nullptr && tainted_ == 0 && last - base >= 64) {
            std::size_t end = 0;
            const auto from = static_cast<std::ptrdiff_t>(done_) - static_cast<std::ptrdiff_t>(base);
            if (char* line = lean_.block(p_ + base, from, at_, end, bytes)) {
                at_ = line;
                done_ = base + end + 1;
                before_ = end == 63;  // after it, a token's bytes: whitespace there is unfit
                return true;
            }
            have_bytes = true;
        }
        if (!have_bytes) bytes = bytes64(p_ + base);
        std::uint64_t space = bytes.space;
        if (last - base < 64) space &= (std::uint64_t{1} << (last - base)) - 1;
        const std::uint64_t starts = space << 1 | before_;
        const std::uint64_t ends = space & ~starts;  // whitespace after a token byte
        before_ = space >> 63;
        const std::uint64_t unfit = lean_.unfit(bytes, starts);
        const bool more = (unfit | tainted_) == 0 ? take(ends, base, lean_) : take(ends, base, fast_);
        // Unfit bytes after the block's last token end (whitespace there
        // included) go with the next token.
        tainted_ = ends != 0 ? unfit >> (63 - std::countl_zero(ends)) >> 1 : tainted_ | unfit;
        return more;
    }

    // Answers the tokens that `ends` (bits after base) ends by answer(), or
    // where it declines by declined(). False at the sentinel.
    template <class Answer>
    bool take(std::uint64_t ends, std::size_t base, Answer& answer)
    {
        for (; ends != 0; ends &= ends - 1) {
            const std::size_t end = base + static_cast<std::size_t>(std::countr_zero(ends));
            char* line = answer(p_ + done_, end - done_, at_);
            if (line == nullptr) [[unlikely]] {
                line = declined(p_ + done_, end - done_, at_);
                if (line == nullptr) return false;
                if (line == at_) line = out_.room(batch_bytes * 3);  // a long token, by out.line()
            }
            at_ = line;
            done_ = end + 1;
        }
        return true;
    }

    // A token that fast() declined, answered at `at` (room for 32 bytes): the
    // whitespace before it skipped, then the sentinel, which returns null.
    // Else returns the end of its line, or `at` itself when out.line() wrote
    // a long one (then `at` is no longer valid).
    char* declined(char* token, std::size_t size, char* at)
    {
        for (; is_space(static_cast<unsigned char>(*token)); --size) ++token;  // a token byte ends it
        if (size == 3 && std::memcmp(token, "END", 3) == 0) return nullptr;
        if (size <= 16) {
            if (char* end = fast_(token, size, at)) return end;
            Line line = rewrite_(std::span<char>(token, size));  // so no more than 2 + 16 + 1 bytes
            std::memcpy(at, "-1", 2);                            // the head is "", "-" or "-1"
            at += line.head.size();
            std::memcpy(at, line.rest.data(), 16);  // 16 past the token are readable
            at[line.rest.size()] = '\n';
            return at + line.rest.size() + 1;
        }
        out_.wrote(static_cast<std::size_t>(at - out_.room(0)));
        Line line = rewrite_(std::span<char>(token, size));
        out_.line(line.head, line.rest);
        return at;
    }

    // The token that may run on past the window, read on: whole, or to
    // stream() where it is too long to hold. False at the sentinel or the
    // end of input.
    bool rest()
    {
        bool more = false;
        std::span<char> token = in_.part(more);
        if (!more) return !token.empty() && whole(token);
        stream_(in_, out_, token);
        return true;
    }

    // One token held whole, answered. False at the sentinel.
    bool whole(std::span<char> token)
    {
        char* room = out_.room(32);
        char* end = fast_(token.data(), token.size(), room);
        if (end == nullptr) end = declined(token.data(), token.size(), room);
        if (end != nullptr && end != room) out_.wrote(static_cast<std::size_t>(end - room));
        return end != nullptr;
    }

    Input& in_;
    Output& out_;
    Fast fast_;
    Rewrite rewrite_;
    Stream stream_;
    Lean lean_;
    // Within the window: its bytes, where the next token starts (give or
    // take whitespace), whether the byte before the block is whitespace
    // (bit 0), whether the token that runs into the block has an unfit byte,
    // and where the next answer goes.
    char* p_ = nullptr;
    std::size_t done_ = 0;
    std::uint64_t before_ = 1;
    std::uint64_t tainted_ = 0;
    char* at_ = nullptr;
};

}  // namespace detail

template <class Fast, class Rewrite, class Stream, class Lean>
void answer_tokens(Input& in, Output& out, Fast fast, Rewrite rewrite, Stream stream, Lean lean)
{
    detail::Loop<Fast, Rewrite, Stream, Lean>(in, out, fast, rewrite, stream, lean).run();
}

}  // namespace tokens
