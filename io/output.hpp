// Buffered standard output for the filters.
//
// Lines gather in one buffer and leave in large writes: when the buffer is
// full, when the input side is about to wait for more bytes (so a peer that
// sends one case always gets its answer), and at the end. A write that fails
// ends the program with "<name>: write error: <reason>" and status 1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace io {

// Name used in diagnostics; each program's main sets it first.
extern std::string_view program_name;

// Prints "<name>: <what>: <strerror(err)>" on standard error, or
// "<name>: <what>" when err is 0, and exits 1.
[[noreturn]] void fail(std::string_view what, int err = 0);

class Output {
public:
    explicit Output(int fd);             // write to a file descriptor
    explicit Output(std::string& sink);  // append to a string (tests, fuzzing)
    ~Output();
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    void write(std::string_view text);
    void put(char c)
    {
        if (used_ == capacity) flush();
        buf_[used_++] = c;
    }
    // Writes head, rest and a newline.
    void line(std::string_view head, std::string_view rest)
    {
        std::size_t n = head.size() + rest.size() + 1;
        if (n > capacity - used_) {
            write(head);
            write(rest);
            put('\n');
            return;
        }
        char* p = buf_ + used_;
        if (!head.empty()) std::memcpy(p, head.data(), head.size());  // an empty view may have no data at all
        if (!rest.empty()) std::memcpy(p + head.size(), rest.data(), rest.size());
        p[head.size() + rest.size()] = '\n';
        used_ += n;
    }
    // Room for n bytes (n at most 16 KiB) after what is gathered, to be
    // written in place; then wrote() keeps the first of them.
    char* room(std::size_t n)
    {
        if (n > capacity - used_) flush();
        return buf_ + used_;
    }
    void wrote(std::size_t n) { used_ += n; }
    // Writes `count` copies of the byte `c`.
    void repeat(char c, std::uint64_t count);
    // Writes `count` bytes of the file `fd` from offset `from`, after what
    // is gathered: the kernel copies them where it can (sendfile), or they
    // pass through the buffer. A file that cannot be read ends the program
    // with "<name>: read error: <reason>".
    void write_file(int fd, std::uint64_t from, std::uint64_t count);
    // Sends everything gathered so far on its way.
    void flush();
    // Forgets what was gathered after the last newline: a line left half
    // made (the program is about to stop) never leaves.
    void drop_partial_line()
    {
        while (used_ > 0 && buf_[used_ - 1] != '\n') --used_;
    }
    // Flushes, then closes the descriptor so that late errors are seen too.
    void close();

private:
    static constexpr std::size_t capacity = 64 * 1024;
    void send(const char* data, std::size_t size);

    int fd_ = -1;
    std::string* sink_ = nullptr;
    char* buf_;
    std::size_t used_ = 0;
    bool wrote_ = false;
};

}  // namespace io
