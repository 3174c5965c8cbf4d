// Long tokens answered from a memory file; see long.hpp.
#include "long.hpp"
#include "rewrite.hpp"

#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

namespace sumplus {

namespace {

// A token's bytes as they arrive: in a memory file, or in memory. Read back
// from the end a chunk at a time, and written out in ranges.
class Spool {
public:
    explicit Spool(Keep keep)
    {
        rlimit limit{};
        bool capped = getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY;
        if (keep == Keep::memory_file && !capped) fd_ = memfd_create("sumplus-token", MFD_CLOEXEC);
    }
    ~Spool()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    Spool(const Spool&) = delete;
    Spool& operator=(const Spool&) = delete;

    void append(std::span<const char> part)
    {
        if (size_ == 0 && !part.empty()) first_ = part[0];
        size_ += part.size();
        if (fd_ < 0) {
            memory_.append(part.data(), part.size());
            return;
        }
        while (!part.empty()) {
            ssize_t n = ::write(fd_, part.data(), part.size());
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) io::fail("out of memory");  // the memory file cannot grow
            part = part.subspan(static_cast<std::size_t>(n));
        }
    }

    std::uint64_t size() const { return size_; }

    // The byte at i, read back a chunk ending with it when it is not in hand.
    char at(std::uint64_t i)
    {
        if (i == 0) return first_;
        if (fd_ < 0) return memory_[i];
        if (i - chunk_from_ >= chunk_.size() || i < chunk_from_) {
            chunk_.resize(std::min<std::uint64_t>(i + 1, 64 * 1024));
            chunk_from_ = i + 1 - chunk_.size();
            for (std::size_t got = 0; got < chunk_.size();) {
                ssize_t n = ::pread(fd_, chunk_.data() + got, chunk_.size() - got, static_cast<off_t>(chunk_from_ + got));
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) io::fail("read error", n < 0 ? errno : EIO);
                got += static_cast<std::size_t>(n);
            }
        }
        return chunk_[i - chunk_from_];
    }

    // Writes the bytes [from, to).
    void write(io::Output& out, std::uint64_t from, std::uint64_t to)
    {
        if (from >= to) return;
        if (fd_ < 0)
            out.write(std::string_view(memory_).substr(from, to - from));
        else
            out.write_file(fd_, from, to - from);
    }

private:
    int fd_ = -1;
    std::string memory_;
    std::uint64_t size_ = 0;
    char first_ = 0;
    std::vector<char> chunk_;
    std::uint64_t chunk_from_ = 0;
};

// Writes a byte, unless it is a leading '0', which is not printed.
void lead(io::Output& out, char c)
{
    if (c != '0') out.put(c);
}

// The answer to -x: the rightmost byte that is not '9' raised, or "-1" in
// front of the digits when every one is '9'.
void answer_negative(Spool& s, io::Output& out)
{
    const std::uint64_t len = s.size();
    const auto ukaz = static_cast<std::uint64_t>(
        last_not_nine(static_cast<std::int64_t>(len), [&s](std::int64_t i) { return s.at(static_cast<std::uint64_t>(i)); }));
    if (ukaz == 0) {
        out.write("-1");
        s.write(out, 1, len);
        return;
    }
    s.write(out, 0, ukaz);
    out.put(bumped(s.at(ukaz), +1));
    s.write(out, ukaz + 1, len);
}

// The answer to N >= 0, as the rules in rewrite.hpp find it, written out.
void answer_nonnegative(Spool& s, io::Output& out)
{
    const auto len = static_cast<std::int64_t>(s.size());
    const Room room = scan_for_room(len, [&s](std::int64_t i) { return s.at(static_cast<std::uint64_t>(i)); });
    const char first = s.at(0);
    if (room.rozdil >= 2) [[likely]] {
        const auto at = static_cast<std::uint64_t>(room.ukaz);
        if (at > 0) {
            s.write(out, first == '0' ? 1 : 0, at);
            out.put(bumped(s.at(at), -1));
        } else {
            lead(out, bumped(first, -1));
        }
        const Refill r = refill(static_cast<std::uint64_t>(len - room.ukaz - 1), room.zbytekNaDoplneni);
        out.repeat('9', r.nines);
        if (r.partial) {
            out.put(r.digit);
            out.repeat('0', r.zeros);
        }
        return;
    }
    if (room.rozdil == 0) {  // every digit after the first is 9
        if (first == '9') {
            out.write("-1");
            s.write(out, 0, s.size());
        } else {
            out.put('-');
            lead(out, bumped(first, +1));
            s.write(out, 1, s.size());
        }
        return;
    }
    out.put('-');
    lead(out, first);
    out.repeat('9', s.size() - 1);
}

}  // namespace

void answer_long(io::Input& in, io::Output& out, std::span<char> first, Keep keep)
{
    Spool s(keep);
    s.append(first);
    for (bool more = true; more;) s.append(in.part(more));
    if (s.at(0) == '-')
        answer_negative(s, out);
    else
        answer_nonnegative(s, out);
    out.put('\n');
}

}  // namespace sumplus
