// Buffered standard output; see output.hpp.
#include "output.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/sendfile.h>
#include <unistd.h>

#include <algorithm>

namespace io {

std::string_view program_name = "filter";

void fail(std::string_view what, int err)
{
    std::fprintf(stderr, "%.*s: %.*s%s%s\n", static_cast<int>(program_name.size()), program_name.data(),
                 static_cast<int>(what.size()), what.data(), err != 0 ? ": " : "", err != 0 ? std::strerror(err) : "");
    std::exit(EXIT_FAILURE);
}

Output::Output(int fd) : fd_(fd), buf_(new char[capacity]) {}

Output::Output(std::string& sink) : sink_(&sink), buf_(new char[capacity]) {}

Output::~Output() { delete[] buf_; }

void Output::write(std::string_view text)
{
    if (text.empty()) return;  // an empty view may have no data pointer at all
    if (text.size() <= capacity - used_) {
        std::memcpy(buf_ + used_, text.data(), text.size());
        used_ += text.size();
        return;
    }
    flush();
    if (text.size() >= capacity) {  // large pieces skip the copy
        send(text.data(), text.size());
        return;
    }
    std::memcpy(buf_, text.data(), text.size());
    used_ = text.size();
}

void Output::flush()
{
    if (used_ == 0) return;
    std::size_t n = used_;
    used_ = 0;
    send(buf_, n);
}

void Output::close()
{
    flush();
    if (sink_ != nullptr || fd_ < 0) return;
    // A descriptor that was never open and never written to is no failure.
    if (::close(fd_) != 0 && (errno != EBADF || wrote_)) fail("write error", errno);
    fd_ = -1;
}

void Output::repeat(char c, std::uint64_t count)
{
    while (count > 0) {
        if (used_ == capacity) flush();
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, capacity - used_));
        std::memset(buf_ + used_, c, n);
        used_ += n;
        count -= n;
    }
}

void Output::write_file(int fd, std::uint64_t from, std::uint64_t count)
{
    flush();
    if (sink_ == nullptr) wrote_ = true;
    // sendfile() moves at most about 2 GiB a call. It refuses some outputs
    // (one opened for appending, for one) before it moves any byte; then
    // the bytes go through the buffer.
    auto offset = static_cast<off_t>(from);
    while (sink_ == nullptr && count > 0) {
        ssize_t n = ::sendfile(fd_, fd, &offset, std::min<std::uint64_t>(count, std::uint64_t{1} << 30));
        if (n > 0) {
            count -= static_cast<std::uint64_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EINVAL && errno != ENOSYS) fail("write error", errno);
        break;
    }
    while (count > 0) {
        ssize_t n = ::pread(fd, buf_, std::min<std::uint64_t>(count, capacity), offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail("read error", n < 0 ? errno : EIO);
        send(buf_, static_cast<std::size_t>(n));
        offset += n;
        count -= static_cast<std::uint64_t>(n);
    }
}

// Writes all of [data, data + size), retrying short writes and interruptions.
void Output::send(const char* data, std::size_t size)
{
    if (sink_ != nullptr) {
        sink_->append(data, size);
        return;
    }
    wrote_ = true;
    while (size > 0) {
        ssize_t n = ::write(fd_, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("write error", errno);
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

}  // namespace io
