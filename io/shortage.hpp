// Running out of memory, where the program can say how much it needed and
// how much it may have: filter_main() reports "out of memory: " and `detail`.
#pragma once

#include <new>
#include <string>
#include <utility>

namespace io {

struct Shortage : std::bad_alloc {
    explicit Shortage(std::string text) : detail(std::move(text)) {}
    const char* what() const noexcept override { return detail.c_str(); }
    std::string detail;
};

}  // namespace io
