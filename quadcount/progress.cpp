// The status line of a long count; see progress.hpp.
#include "progress.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <unistd.h>

namespace quadcount {

namespace {

std::atomic<bool> keeping{false};
std::atomic<std::uint64_t> expected{0}, done{0};

// Writes all of text to standard error; a failure there is not the count's.
void show(const char* text, std::size_t size)
{
    while (size > 0) {
        ssize_t n = ::write(STDERR_FILENO, text, size);
        if (n <= 0) return;
        text += n;
        size -= static_cast<std::size_t>(n);
    }
}

}  // namespace

namespace progress {

void expect(std::uint64_t units)
{
    if (keeping.load(std::memory_order_relaxed)) expected += units;
}

void advance(std::uint64_t units)
{
    if (keeping.load(std::memory_order_relaxed)) done.fetch_add(units, std::memory_order_relaxed);
}

}  // namespace progress

StatusLine::StatusLine(std::uint64_t record, double seconds) : record_(record)
{
    if (seconds <= 1 || !isatty(STDERR_FILENO)) return;
    expected = 0;
    done = 0;
    keeping = true;
    try {
        writer_ = std::thread([this] { keep(); });
    } catch (...) {
        keeping = false;  // no thread, no line: the count goes on
    }
}

StatusLine::~StatusLine()
{
    if (!writer_.joinable()) return;
    {
        std::lock_guard lock(m_);
        stop_ = true;
    }
    done_.notify_one();
    writer_.join();
    keeping = false;
}

void StatusLine::keep()
{
    using clock = std::chrono::steady_clock;
    const auto start = clock::now();
    std::unique_lock lock(m_);
    bool shown = false;
    while (!done_.wait_for(lock, std::chrono::milliseconds(250), [this] { return stop_; })) {
        double elapsed = std::chrono::duration<double>(clock::now() - start).count();
        std::uint64_t all = expected.load(), now = std::min(done.load(), all);
        double share = all == 0 ? 0 : double(now) / double(all);
        char text[160];
        int n = share > 0.01 ? std::snprintf(text, sizeof text,
                                             "\rquadcount: record %llu: %.0f%% done, %.1f s elapsed, about %.0f s left\033[K",
                                             static_cast<unsigned long long>(record_), 100 * share, elapsed,
                                             elapsed * (1 - share) / share + 0.5)
                             : std::snprintf(text, sizeof text, "\rquadcount: record %llu: %.1f s elapsed\033[K",
                                             static_cast<unsigned long long>(record_), elapsed);
        show(text, static_cast<std::size_t>(std::clamp(n, 0, static_cast<int>(sizeof text) - 1)));
        shown = true;
    }
    if (shown) show("\r\033[K", 4);  // erased: the answer follows on a clean line
}

}  // namespace quadcount
