// Large arrays on huge pages where the kernel offers them: on this project's
// virtual machines a page fault costs microseconds, and a 2 MiB page takes
// one where 4 KiB pages take 512.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>
#include <sys/mman.h>

namespace quadcount {

// Whether large arrays ask for huge pages: a setting of the whole process,
// on unless a program's main turns it off before any count, as bench-count
// --no-huge-pages does to measure their gain: 4 x 10^6 narrow values take
// 0.42x the time with them (AMD EPYC family 26 model 2, Zen 5;
// docs/PERFORMANCE.md, "2026-12-09, second pass").
inline bool& huge_pages()
{
    static bool on = true;
    return on;
}

// Memory for `bytes`, aligned to huge pages and marked for them when it is
// that large; never null.
inline void* big_allocate(std::size_t bytes)
{
    constexpr std::size_t huge = std::size_t{2} << 20;
    void* p = nullptr;
    if (huge_pages() && bytes >= huge) {
        p = std::aligned_alloc(huge, (bytes + huge - 1) / huge * huge);
        if (p != nullptr) madvise(p, bytes, MADV_HUGEPAGE);  // a hint: failure changes nothing
    } else {
        p = std::malloc(bytes == 0 ? 1 : bytes);
    }
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

// An array of n uninitialized T (trivial types only).
template <class T>
using BigArray = std::unique_ptr<T[], FreeDeleter>;

template <class T>
BigArray<T> big_array(std::size_t n)
{
    return BigArray<T>(static_cast<T*>(big_allocate(n * sizeof(T))));
}

// A vector whose storage comes from big_allocate().
template <class T>
struct BigAllocator {
    using value_type = T;
    BigAllocator() = default;
    template <class U>
    BigAllocator(const BigAllocator<U>&)
    {
    }
    T* allocate(std::size_t n) { return static_cast<T*>(big_allocate(n * sizeof(T))); }
    void deallocate(T* p, std::size_t) { std::free(p); }
    template <class U>
    bool operator==(const BigAllocator<U>&) const
    {
        return true;
    }
};

template <class T>
using BigVector = std::vector<T, BigAllocator<T>>;

}  // namespace quadcount
