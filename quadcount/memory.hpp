// Large scratch arrays, uninitialized, on huge pages where the kernel offers
// them: on this project's virtual machines a fault costs microseconds, and a
// 2 MiB page takes one where 4 KiB pages take 512.
#pragma once

#include <cstdlib>
#include <memory>
#include <new>
#include <sys/mman.h>

namespace quadcount {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

template <class T>
using BigArray = std::unique_ptr<T[], FreeDeleter>;

// An array of n uninitialized T (trivial types only).
template <class T>
BigArray<T> big_array(std::size_t n)
{
    constexpr std::size_t huge = std::size_t{2} << 20;
    std::size_t bytes = n * sizeof(T);
    void* p = nullptr;
    if (bytes >= huge) {
        p = std::aligned_alloc(huge, (bytes + huge - 1) / huge * huge);
        if (p != nullptr) madvise(p, bytes, MADV_HUGEPAGE);  // a hint: failure changes nothing
    } else {
        p = std::malloc(bytes == 0 ? 1 : bytes);
    }
    if (p == nullptr) throw std::bad_alloc();
    return BigArray<T>(static_cast<T*>(p));
}

}  // namespace quadcount
