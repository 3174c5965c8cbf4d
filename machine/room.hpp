// The memory room the process has left, whichever of these binds:
//   - its address space: RLIMIT_AS less what it maps now (/proc/self/statm
//     pages at the real page size);
//   - its cgroup's memory.max less memory.current (cgroup v2), the least
//     of those along its path that have a limit;
//   - the memory the machine has available (MemAvailable).
// Tested: the readers on statm, meminfo and limit texts, a fixture cgroup
// tree, and a real address space limit against the kernel's VmSize.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace machine {

struct Room {
    static constexpr std::uint64_t unlimited = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t address_space = unlimited;
    std::uint64_t cgroup = unlimited;
    std::uint64_t available = unlimited;
};

// What the process may still take, read now.
Room room();

// The address space the process may still map, read now; and the same from
// its limit (RLIM_INFINITY for none), /proc/self/statm's text and the page size.
std::uint64_t address_space_room();
std::uint64_t address_space_left(std::uint64_t limit, std::string_view statm, std::uint64_t page);

// What the cgroup named in /proc/self/cgroup's text may still take: the
// least memory.max less memory.current of it and each cgroup above it, in
// the cgroup tree at `root`.
std::uint64_t cgroup_memory_left(const std::string& root, std::string_view proc_cgroup);

// Bytes from a "limit" or "usage" file ("max" is unlimited), or from
// /proc/meminfo's MemAvailable line; unlimited when the text says nothing.
std::uint64_t bytes_in(std::string_view text);
std::uint64_t available_in(std::string_view meminfo);

}  // namespace machine
