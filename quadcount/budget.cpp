// The memory budget; see budget.hpp.
#include "budget.hpp"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>

namespace quadcount {

namespace {

// Less, never below 0.
std::uint64_t less(std::uint64_t a, std::uint64_t b) { return a > b ? a - b : 0; }

}  // namespace

std::string in_units(double bytes)
{
    const char* units[] = {"bytes", "KiB", "MiB", "GiB", "TiB", "PiB"};
    std::size_t u = 0;
    for (; bytes >= 1024 && u + 1 < std::size(units); ++u) bytes /= 1024;
    char text[32];
    std::snprintf(text, sizeof text, bytes < 10 && u > 0 ? "%.1f %s" : "%.0f %s", bytes, units[u]);
    return text;
}

std::string shortage(std::uint64_t record, double needed, const Room& room, const char* what)
{
    std::string text = "record " + std::to_string(record) + " needs about " + in_units(needed) + what;
    std::uint64_t least = std::min({room.address_space, room.cgroup, room.available});
    if (least == Room::unlimited) return text;
    const char* binds = least == room.address_space ? "its address space left under ulimit -v"
                      : least == room.cgroup        ? "its cgroup's memory.max"
                                                    : "the machine's available memory";
    return text + ", and the process may have " + in_units(double(least)) + " (" + binds + ")";
}

unsigned threads_within(std::uint64_t address_space, unsigned wanted)
{
    std::uint64_t fit = address_space / 8 / thread_bytes;
    return static_cast<unsigned>(std::clamp<std::uint64_t>(fit, 1, std::max(wanted, 1u)));
}

std::uint64_t budget(const Room& room, std::uint64_t most, unsigned threads)
{
    std::uint64_t address_space = room.address_space;
    if (address_space != Room::unlimited) address_space = less(address_space, threads * thread_bytes);
    std::uint64_t least = std::min({address_space, room.cgroup, room.available});
    return std::min(most, least == Room::unlimited ? least : least / 2);
}

}  // namespace quadcount
