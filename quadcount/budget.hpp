// How much memory quadcount's working arrays may take, and how many threads
// it may start: the smaller of a fixed figure and a fair share (half) of the
// least room the process has left (machine/room.hpp), less the threads'
// stacks. The one exception is a histogram, whose only other way may take
// hours: it may take the whole room the budget is half of (count.cpp,
// whole_room). Threads take at most an eighth of the address space left, so
// a record that counts on 2 CPUs under a limit counts under it on 128: with
// fewer threads, not out of memory.
// Tested: properties of the plan over random rooms; the whole program under
// `ulimit -v` with 1 to 1024 threads, whose count must equal the unlimited
// one, and a histogram that needs the whole room.
#pragma once

#include "room.hpp"

#include <cstdint>
#include <string>

namespace quadcount {

using machine::Room;
using machine::room;

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

// The memory to plan for with `threads` threads running: at most `most` bytes.
std::uint64_t budget(const Room& room, std::uint64_t most, unsigned threads = 0);

}  // namespace quadcount
