// bench-hold: reads all of standard input into one growing buffer and does
// nothing else. Beside a filter that must hold a whole token, it is the floor:
// what the system charges for taking in that many bytes and keeping them.
#include <cstdlib>
#include <unistd.h>

int main()
{
    std::size_t capacity = 1 << 17, size = 0;
    char* buf = static_cast<char*>(std::malloc(capacity));
    for (;;) {
        if (size == capacity) buf = static_cast<char*>(std::realloc(buf, capacity *= 2));
        if (buf == nullptr) return 1;
        ssize_t n = ::read(0, buf + size, capacity - size);
        if (n <= 0) return n < 0;
        size += static_cast<std::size_t>(n);
    }
}
