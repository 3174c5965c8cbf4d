// How much memory quadcount's working arrays may take, and how many threads
// it may start: the smaller of a fixed figure and a fair share (half) of the
// least room the process has left, less the threads' stacks, whichever of
// these binds:
//   - its address space: RLIMIT_AS less what it maps now;
//   - its cgroup's memory.max less memory.current (cgroup v2), the least
//     of those along its path that have a limit;
//   - the memory the machine has available (MemAvailable).
// The one exception is a histogram, whose only other way may take hours: it
// may take the whole room the budget is half of (count.cpp, whole_room).
// Threads take at most an eighth of the address space left, so a record
// that counts on 2 CPUs under a limit counts under it on 128: with fewer
// threads, not out of memory.
// Tested: properties of the plan over random rooms; the readers on statm
// text, a fixture cgroup tree and a real address space limit; the whole
// program under `ulimit -v` with 1 to 1024 threads, whose count must equal
// the unlimited one, and a histogram that needs the whole room.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace quadcount {

struct Room {
    static constexpr std::uint64_t unlimited = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t address_space = unlimited;
    std::uint64_t cgroup = unlimited;
    std::uint64_t available = unlimited;
};

// What the process may still take, read now.
Room room();

// Address space a thread of the count takes: its stack, which main() sets
// this small (the tasks' frames are a few KiB deep).
constexpr std::uint64_t thread_bytes = std::uint64_t{512} << 10;

// What a record short of memory needed, against what the process may have,
// for the diagnostic: "record R needs about X, and the process may have Y
// (WHAT BINDS)", with `what` after X where given.
std::string shortage(std::uint64_t record, double needed, const Room& room, const char* what = "");
// Bytes as a person reads them: "512 KiB", "37 MiB", "1.5 GiB".
std::string in_units(double bytes);

// At most `wanted` threads, as many as `address_space` bytes have space
// for; at least 1.
unsigned threads_within(std::uint64_t address_space, unsigned wanted);

// The address space the process may still map, read now; and the same from
// its limit (RLIM_INFINITY for none), /proc/self/statm's text and the page size.
std::uint64_t address_space_room();
std::uint64_t address_space_left(std::uint64_t limit, std::string_view statm, std::uint64_t page);

// The memory to plan for with `threads` threads running: at most `most` bytes.
std::uint64_t budget(const Room& room, std::uint64_t most, unsigned threads = 0);

// What the cgroup named in /proc/self/cgroup's text may still take: the
// least memory.max less memory.current of it and each cgroup above it, in
// the cgroup tree at `root`.
std::uint64_t cgroup_memory_left(const std::string& root, std::string_view proc_cgroup);

// Bytes from a "limit" or "usage" file ("max" is unlimited), or from
// /proc/meminfo's MemAvailable line; unlimited when the text says nothing.
std::uint64_t bytes_in(std::string_view text);
std::uint64_t available_in(std::string_view meminfo);

}  // namespace quadcount
