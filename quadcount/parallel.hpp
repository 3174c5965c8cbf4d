// Running independent tasks on every core.
#pragma once

#include "cpus.hpp"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace quadcount {

// Threads to use: `asked`, or where it is 0 the CPUs the process may use.
inline unsigned thread_count(unsigned asked) { return asked != 0 ? asked : machine::usable_cpus(); }

// Calls task(i) once for every i in [0, n), on up to `threads` threads; the
// calling thread is one of them. Tasks are handed out in order, one at a time.
// Where no thread can be started, the calling thread does them all. A task
// that throws stops the handing out, and the first exception thrown reaches
// the caller once every thread has stopped.
template <class Task>
void parallel_for(std::size_t n, unsigned threads, Task task)
{
    std::atomic<std::size_t> next{0};
    std::mutex failing;
    std::exception_ptr failure;
    auto work = [&] {
        try {
            for (std::size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < n;) task(i);
        } catch (...) {
            next = n;
            std::lock_guard lock(failing);
            if (!failure) failure = std::current_exception();
        }
    };
    {
        std::vector<std::jthread> helpers;
        try {
            for (std::size_t k = 1; k < std::min<std::size_t>(threads, n); ++k) helpers.emplace_back(work);
        } catch (const std::system_error&) {
            // No more threads to be had (a process limit): those started, and
            // this one, take every task all the same.
        } catch (const std::bad_alloc&) {
            // The same, short of memory for another thread.
        }
        work();
    }
    if (failure) std::rethrow_exception(failure);
}

}  // namespace quadcount
