// How much memory quadcount's working arrays may take: the smaller of a
// fixed figure and a fair share (half) of the least room the process has
// left, whichever of these binds:
//   - its address space: RLIMIT_AS less what it maps now;
//   - its cgroup's memory.max less memory.current (cgroup v2), when it runs
//     in one that has a limit;
//   - the memory the machine has available (MemAvailable).
// Tested: the arithmetic with made-up rooms; the whole program under
// `ulimit -v`, whose count must equal the unlimited one.
#pragma once

#include <cstdint>
#include <limits>
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

// The memory to plan for: at most `most` bytes.
std::uint64_t budget(const Room& room, std::uint64_t most);

// Bytes from a "limit" or "usage" file ("max" is unlimited), or from
// /proc/meminfo's MemAvailable line; unlimited when the text says nothing.
std::uint64_t bytes_in(std::string_view text);
std::uint64_t available_in(std::string_view meminfo);

}  // namespace quadcount
