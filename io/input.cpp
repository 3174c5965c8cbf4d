// Buffered standard input; see input.hpp.
#include "input.hpp"

#include "output.hpp"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <unistd.h>

namespace io {

namespace {

constexpr std::size_t first_capacity = 128 * 1024;

char* grow(char* buf, std::size_t capacity)
{
    // realloc keeps a large buffer in place or remaps it, so a huge token
    // costs its own size in memory, not twice that. The slack past the
    // capacity is never filled; it lets a token be copied in whole words.
    // The bytes in front are zeros, never filled either: a token may be read
    // in a word that ends with it.
    void* p = std::realloc(buf == nullptr ? nullptr : buf - Input::front, Input::front + capacity + Input::slack);
    if (p == nullptr) throw std::bad_alloc();
    if (buf == nullptr) std::memset(p, 0, Input::front);
    return static_cast<char*>(p) + Input::front;
}

}  // namespace

Input::Input(int fd, Output* before_wait)
    : fd_(fd), before_wait_(before_wait), buf_(grow(nullptr, first_capacity)),
      capacity_(first_capacity)
{
}

Input::Input(std::string_view data, std::size_t chunk)
    : data_(data), chunk_(std::max<std::size_t>(chunk, 1)),
      buf_(grow(nullptr, first_capacity)), capacity_(first_capacity)
{
}

Input::~Input() { std::free(buf_ - front); }

bool Input::refill()
{
    if (ended_) return false;
    // Keep the bytes from anchor_ on; they belong to the token in progress.
    if (anchor_ > 0) {
        std::memmove(buf_, buf_ + anchor_, end_ - anchor_);
        pos_ -= anchor_;
        end_ -= anchor_;
        anchor_ = 0;
    }
    if (end_ == capacity_) {
        buf_ = grow(buf_, capacity_ * 2);
        capacity_ *= 2;
    }
    std::size_t room = capacity_ - end_;
    if (fd_ < 0) {
        std::size_t n = std::min({room, chunk_, data_.size()});
        std::memcpy(buf_ + end_, data_.data(), n);
        data_.remove_prefix(n);
        end_ += n;
        ended_ = n == 0;
        return !ended_;
    }
    if (before_wait_ != nullptr) before_wait_->flush();
    for (;;) {
        ssize_t n = ::read(fd_, buf_ + end_, room);
        if (n > 0) {
            end_ += static_cast<std::size_t>(n);
            return true;
        }
        if (n == 0) {
            ended_ = true;
            return false;
        }
        if (errno != EINTR) fail("read error", errno);
    }
}

bool Input::skip_space()
{
    for (;;) {
        const char* p = buf_ + pos_;  // locals: stores through char* could alias members
        const char* e = buf_ + end_;
        while (p < e && is_space(static_cast<unsigned char>(*p))) ++p;
        pos_ = static_cast<std::size_t>(p - buf_);
        if (p < e) return true;
        anchor_ = pos_;
        if (!refill()) return false;
    }
}

std::span<char> Input::token()
{
    bool more = false;
    return next_token(more, SIZE_MAX);
}

std::span<char> Input::part(bool& more)
{
    std::span<char> p = next_token(more, part_limit_);
    if (watcher_ != nullptr) watcher_(watch_context_, p);
    return p;
}

std::string_view Input::ahead(std::size_t most)
{
    if (failed_ || at_end_ || !skip_space()) return {};
    anchor_ = pos_;  // kept by refill()
    for (;;) {
        const std::size_t in_hand = std::min(end_ - pos_, most);
        const char* space = find_space(buf_ + pos_, buf_ + pos_ + in_hand);
        if (space < buf_ + pos_ + in_hand || in_hand == most || ended_)
            return {buf_ + pos_, static_cast<std::size_t>(space - (buf_ + pos_))};
        refill();  // may move the bytes in hand; at the end of input, sets ended_
    }
}

// With `more` false, skips whitespace and starts a token; otherwise goes on
// with the current one. Reads until the token ends or `limit` bytes of it are
// in hand, then consumes what it returns; `more` says whether the token goes on.
std::span<char> Input::next_token(bool& more, std::size_t limit)
{
    if (!more && !skip_space()) return {};
    anchor_ = pos_;
    for (;;) {
        pos_ = static_cast<std::size_t>(find_space(buf_ + pos_, buf_ + end_) - buf_);
        more = pos_ == end_ && pos_ - anchor_ >= limit;
        if (pos_ < end_ || more || !refill()) break;
    }
    std::span<char> t(buf_ + anchor_, pos_ - anchor_);
    anchor_ = pos_;
    return t;
}

Input::Scan Input::scan(std::int64_t& value)
{
    if (failed_ || at_end_ || !skip_space()) {
        failed_ = true;
        return Scan::no_store;
    }
    anchor_ = pos_;  // nothing to keep: digits are consumed as they come
    int c = peek();
    bool negative = c == '-';
    if (c == '-' || c == '+') {
        ++pos_;
        anchor_ = pos_;
    }
    // The magnitude may reach 2^63 for a negative value.
    const std::uint64_t limit = std::uint64_t{1} << 63;
    const std::uint64_t most = negative ? limit : limit - 1;
    std::uint64_t magnitude = 0;
    bool digits = false;
    bool overflow = false;
    for (;;) {
        const char* p = buf_ + pos_;  // locals: stores through char* could alias members
        const char* e = buf_ + end_;
        for (; p < e && *p >= '0' && *p <= '9'; ++p) {
            auto digit = static_cast<std::uint64_t>(*p - '0');
            if (magnitude > (most - digit) / 10)
                overflow = true;  // keep consuming digits, as extraction does
            else
                magnitude = magnitude * 10 + digit;
            digits = true;
        }
        pos_ = anchor_ = static_cast<std::size_t>(p - buf_);
        if (p < e) {
            c = static_cast<unsigned char>(*p);
            break;
        }
        if (!refill()) {
            c = -1;
            break;
        }
    }
    at_end_ = c < 0;
    if (!digits || overflow) {
        failed_ = true;
        value = !digits ? 0
              : negative ? std::numeric_limits<std::int64_t>::min()
                         : std::numeric_limits<std::int64_t>::max();
        return Scan::stored_failure;
    }
    value = negative ? static_cast<std::int64_t>(0 - magnitude)
                     : static_cast<std::int64_t>(magnitude);
    return Scan::ok;
}

bool Input::read(std::int64_t& value)
{
    return scan(value) == Scan::ok;
}

std::uint64_t Input::skip(std::uint64_t n, std::int32_t& value)
{
    std::uint64_t done = 0;
    while (done < n) {
        const char* last = nullptr;  // the last token passed over, not yet converted
        for (; done < n && !failed_ && !at_end_; ++done) {
            char* p = buf_ + pos_;
            const char* e = buf_ + end_;
            while (p < e && is_space(static_cast<unsigned char>(*p))) ++p;
            const char* q = find_space(p, e);
            const char* digits = p + (p < q && (*p == '-' || *p == '+'));
            bool plain = q < e && q > digits && q - digits <= 9;
            for (const char* d = digits; plain && d < q; ++d) plain = *d >= '0' && *d <= '9';
            if (!plain) break;  // anything else, or a token the window may cut
            last = p;
            pos_ = anchor_ = static_cast<std::size_t>(q - buf_);
        }
        if (last != nullptr) short_number(last, buf_ + end_, value);
        if (done == n) break;
        if (!read(value)) break;  // read() takes the rest of the window's tokens
        ++done;
    }
    return done;
}

bool Input::read(std::int32_t& value)
{
    // Common case first: a short number that ends within the bytes in hand.
    if (!failed_ && !at_end_) {
        const char* p = buf_ + pos_;
        const char* e = buf_ + end_;
        while (p < e && is_space(static_cast<unsigned char>(*p))) ++p;
        if (const char* after = short_number(p, e, value)) {
            pos_ = anchor_ = static_cast<std::size_t>(after - buf_);
            return true;
        }
    }
    std::int64_t wide = 0;
    if (scan(wide) == Scan::no_store) return false;
    using limits = std::numeric_limits<std::int32_t>;
    if (wide < limits::min() || wide > limits::max()) {
        failed_ = true;
        value = wide < 0 ? limits::min() : limits::max();
        return false;
    }
    value = static_cast<std::int32_t>(wide);
    return !failed_;
}

}  // namespace io
