// The room the process has; see room.hpp.
#include "room.hpp"

#include "proc.hpp"

#include <algorithm>
#include <charconv>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace machine {

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

}  // namespace machine
