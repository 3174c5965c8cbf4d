// A status line for a long count: while a record estimated to take more
// than about a second is counted, and standard error is a terminal, one
// line there shows the record's number, the share of its work done, the
// time elapsed and an estimate of the time left, rewritten in place four
// times a second, cut to the terminal's width as it is at each update, and
// erased when the count ends. SIGINT, SIGTERM or SIGHUP erase it too, and
// then stop the program as they would have. Nothing is written when
// standard error is not a terminal.
//
// A count reports its work to a Progress it is handed, where there is one:
// expect() with the units of work the count will take, advance() as units
// are done, each try of the count afresh (restart()). Both are cheap; the
// free expect() and advance() take a null pointer for "no one is watching".
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace quadcount {

class Progress {
public:
    void expect(std::uint64_t units) { expected_.fetch_add(units, std::memory_order_relaxed); }
    void advance(std::uint64_t units) { done_.fetch_add(units, std::memory_order_relaxed); }
    // Back to nothing done or expected: a count tried again starts afresh.
    void restart()
    {
        expected_ = 0;
        done_ = 0;
    }
    // The share of the expected work done, 0 to 1.
    double share() const
    {
        const std::uint64_t all = expected_.load(), now = done_.load();
        return all == 0 ? 0 : double(now < all ? now : all) / double(all);
    }

private:
    std::atomic<std::uint64_t> expected_{0}, done_{0};
};

inline void expect(Progress* progress, std::uint64_t units)
{
    if (progress != nullptr) progress->expect(units);
}
inline void advance(Progress* progress, std::uint64_t units)
{
    if (progress != nullptr) progress->advance(units);
}

// Keeps the status line of record `record` for its lifetime, showing
// `progress`, when `seconds` (the estimated time) is above a second and
// standard error is a terminal.
class StatusLine {
public:
    StatusLine(std::uint64_t record, double seconds, const Progress& progress);
    ~StatusLine();
    StatusLine(const StatusLine&) = delete;
    StatusLine& operator=(const StatusLine&) = delete;

    // Whether the line is kept, so that the count should report to it.
    bool shown() const { return writer_.joinable(); }

private:
    void keep();

    std::uint64_t record_;
    const Progress& progress_;
    std::mutex m_;
    std::condition_variable done_;
    bool stop_ = false;
    std::thread writer_;
};

}  // namespace quadcount
