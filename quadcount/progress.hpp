// A status line for a long count: while a record estimated to take more
// than about a second is counted, and standard error is a terminal, one
// line there shows the record's number, the share of its work done, the
// time elapsed and an estimate of the time left, rewritten in place four
// times a second, cut to the terminal's width as it is at each update, and
// erased when the count ends. SIGINT, SIGTERM or SIGHUP erase it too, and
// then stop the program as they would have. Nothing is written when
// standard error is not a terminal.
//
// The methods report their work as it is done: expect() once with the
// units of work the count will take, advance() as units are done. Both are
// cheap, and do nothing while no status line is kept.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace quadcount {

namespace progress {

void expect(std::uint64_t units);
void advance(std::uint64_t units);

}  // namespace progress

// Keeps the status line of record `record` for its lifetime, when
// `seconds` (the estimated time) is above a second and standard error is a
// terminal.
class StatusLine {
public:
    StatusLine(std::uint64_t record, double seconds);
    ~StatusLine();
    StatusLine(const StatusLine&) = delete;
    StatusLine& operator=(const StatusLine&) = delete;

private:
    void keep();

    std::uint64_t record_;
    std::mutex m_;
    std::condition_variable done_;
    bool stop_ = false;
    std::thread writer_;
};

}  // namespace quadcount
