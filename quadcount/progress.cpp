// The status line of a long count; see progress.hpp.
#include "progress.hpp"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/ioctl.h>
#include <unistd.h>

namespace quadcount {

namespace {

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

// The signals that stop the program while a status line is shown: each
// erases the line, then takes its way as before (by default, ends the
// program by that signal). Where one was ignored, as nohup ignores SIGHUP,
// it stays ignored.
constexpr int stopping[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction before[std::size(stopping)];
volatile std::sig_atomic_t line_shown = 0;

void erase_and_stop(int sig)
{
    if (line_shown) show("\r\033[K", 4);
    for (std::size_t i = 0; i < std::size(stopping); ++i)
        if (stopping[i] == sig) sigaction(sig, &before[i], nullptr);
    raise(sig);
}

void catch_stops()
{
    for (std::size_t i = 0; i < std::size(stopping); ++i) {
        struct sigaction erase {};
        erase.sa_handler = erase_and_stop;
        sigemptyset(&erase.sa_mask);
        erase.sa_flags = SA_RESETHAND;
        sigaction(stopping[i], nullptr, &before[i]);
        if (before[i].sa_handler != SIG_IGN) sigaction(stopping[i], &erase, nullptr);
    }
}

void release_stops()
{
    for (std::size_t i = 0; i < std::size(stopping); ++i)
        if (before[i].sa_handler != SIG_IGN) sigaction(stopping[i], &before[i], nullptr);
}

// The terminal's width now, or 80 where it cannot be told.
std::size_t columns()
{
    winsize size{};
    return ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
}

}  // namespace


StatusLine::StatusLine(std::uint64_t record, double seconds, const Progress& progress)
    : record_(record), progress_(progress)
{
    if (seconds <= 1 || !isatty(STDERR_FILENO)) return;
    catch_stops();
    try {
        writer_ = std::thread([this] { keep(); });
    } catch (...) {
        release_stops();  // no thread, no line: the count goes on
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
    release_stops();
}

void StatusLine::keep()
{
    using clock = std::chrono::steady_clock;
    const auto start = clock::now();
    std::unique_lock lock(m_);
    bool shown = false;
    while (!done_.wait_for(lock, std::chrono::milliseconds(250), [this] { return stop_; })) {
        double elapsed = std::chrono::duration<double>(clock::now() - start).count();
        const double share = progress_.share();
        char text[160];
        text[0] = '\r';
        int n = share > 0.01 ? std::snprintf(text + 1, sizeof text - 1,
                                             "quadcount: record %llu: %.0f%% done, %.1f s elapsed, about %.0f s left",
                                             static_cast<unsigned long long>(record_), 100 * share, elapsed,
                                             elapsed * (1 - share) / share + 0.5)
                             : std::snprintf(text + 1, sizeof text - 1, "quadcount: record %llu: %.1f s elapsed",
                                             static_cast<unsigned long long>(record_), elapsed);
        // One column short of the width, so that the cursor never wraps.
        std::size_t size = 1 + std::min<std::size_t>(static_cast<std::size_t>(std::clamp(n, 0, 150)), columns() - 1);
        std::memcpy(text + size, "\033[K", 3);
        show(text, size + 3);
        shown = true;
        line_shown = 1;
    }
    line_shown = 0;
    if (shown) show("\r\033[K", 4);  // erased: the answer follows on a clean line
}

}  // namespace quadcount
