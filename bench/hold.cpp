// bench-hold [--echo | --file]: reads all of standard input into one growing
// buffer and does nothing else; with --echo, then writes it back to standard
// output; with --file, reads it a MiB at a time into a memory file instead
// and sends that back with sendfile(). Beside a filter that must hold a
// whole token, these are the floors: what the system charges for taking in
// that many bytes and keeping them, and for giving them back out.
#include <sys/mman.h>
#include <sys/sendfile.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

int through_a_file()
{
    int fd = memfd_create("bench-hold", MFD_CLOEXEC);
    std::vector<char> buf(1 << 20);
    off_t size = 0;
    for (ssize_t n; (n = ::read(0, buf.data(), buf.size())) != 0; size += n) {
        if (n < 0 || fd < 0 || ::write(fd, buf.data(), static_cast<std::size_t>(n)) != n) return 1;
    }
    for (off_t at = 0; at < size;) {
        if (::sendfile(1, fd, &at, static_cast<std::size_t>(size - at)) <= 0) return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--file") == 0) return through_a_file();
    std::size_t capacity = 1 << 17, size = 0;
    char* buf = static_cast<char*>(std::malloc(capacity));
    for (;;) {
        if (size == capacity) buf = static_cast<char*>(std::realloc(buf, capacity *= 2));
        if (buf == nullptr) return 1;
        ssize_t n = ::read(0, buf + size, capacity - size);
        if (n < 0) return 1;
        if (n == 0) break;
        size += static_cast<std::size_t>(n);
    }
    if (argc < 2 || std::strcmp(argv[1], "--echo") != 0) return 0;
    for (std::size_t done = 0; done < size;) {
        ssize_t n = ::write(1, buf + done, size - done);
        if (n <= 0) return 1;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}
