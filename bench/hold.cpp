// bench-hold [--echo]: reads all of standard input into one growing buffer
// and does nothing else; with --echo, then writes it back to standard
// output. Beside a filter that must hold a whole token, these are the
// floors: what the system charges for taking in that many bytes and keeping
// them, and for giving them back out.
#include <cstdlib>
#include <cstring>
#include <unistd.h>

int main(int argc, char** argv)
{
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
