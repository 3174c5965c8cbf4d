// The memory budget; see budget.hpp.
#include "budget.hpp"

#include "cpus.hpp"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace quadcount {

namespace {

// Less, never below 0.
std::uint64_t less(std::uint64_t a, std::uint64_t b) { return a > b ? a - b : 0; }

}  // namespace

std::uint64_t cgroup_memory_left(const std::string& root, std::string_view proc_cgroup)
{
    std::uint64_t least = Room::unlimited;
    for (const std::string& dir : cgroup_chain(root, proc_cgroup)) {
        std::uint64_t max = bytes_in(file_text(dir + "/memory.max"));
        if (max == Room::unlimited) continue;
        std::uint64_t current = bytes_in(file_text(dir + "/memory.current"));
        least = std::min(least, less(max, current == Room::unlimited ? 0 : current));
    }
    return least;
}

std::uint64_t address_space_left(std::uint64_t limit, std::string_view statm, std::uint64_t page)
{
    if (limit == RLIM_INFINITY) return Room::unlimited;
    std::uint64_t pages = bytes_in(statm);  // statm starts with the pages mapped now
    return less(limit, pages == Room::unlimited ? 0 : pages * page);
}

std::uint64_t address_space_room()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0) return Room::unlimited;
    return address_space_left(limit.rlim_cur, file_text("/proc/self/statm"), static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE)));
}

std::uint64_t bytes_in(std::string_view text)
{
    std::uint64_t v = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
    return error == std::errc() && end != text.data() ? v : Room::unlimited;
}

std::uint64_t available_in(std::string_view meminfo)
{
    std::size_t at = meminfo.find("MemAvailable:");
    if (at == std::string_view::npos) return Room::unlimited;
    std::string_view rest = meminfo.substr(at + 13);
    rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
    std::uint64_t kib = bytes_in(rest);
    return kib == Room::unlimited ? kib : kib * 1024;
}

Room room()
{
    return {address_space_room(), cgroup_memory_left("/sys/fs/cgroup", file_text("/proc/self/cgroup")),
            available_in(file_text("/proc/meminfo"))};
}

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
