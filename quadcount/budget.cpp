// The memory budget; see budget.hpp.
#include "budget.hpp"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace quadcount {

namespace {

std::string read_file(const std::string& path)
{
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Less, never below 0.
std::uint64_t less(std::uint64_t a, std::uint64_t b) { return a > b ? a - b : 0; }

std::uint64_t address_space_room()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return Room::unlimited;
    // /proc/self/statm starts with the pages mapped now.
    std::uint64_t pages = bytes_in(read_file("/proc/self/statm"));
    if (pages == Room::unlimited) pages = 0;
    return less(limit.rlim_cur, pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE)));
}

std::uint64_t cgroup_room()
{
    // In cgroup v2 the process's line is "0::/path".
    std::string lines = read_file("/proc/self/cgroup");
    std::size_t at = lines.rfind("0::", 0) == 0 ? 0 : lines.find("\n0::");
    if (at == std::string::npos) return Room::unlimited;
    if (lines[at] == '\n') ++at;
    std::string path = lines.substr(at + 3, lines.find('\n', at) - at - 3);
    std::string dir = "/sys/fs/cgroup" + path;
    std::uint64_t max = bytes_in(read_file(dir + "/memory.max"));
    if (max == Room::unlimited) return Room::unlimited;
    std::uint64_t current = bytes_in(read_file(dir + "/memory.current"));
    return less(max, current == Room::unlimited ? 0 : current);
}

}  // namespace

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

Room room() { return {address_space_room(), cgroup_room(), available_in(read_file("/proc/meminfo"))}; }

std::uint64_t budget(const Room& room, std::uint64_t most)
{
    std::uint64_t least = std::min({room.address_space, room.cgroup, room.available});
    return std::min(most, least == Room::unlimited ? least : least / 2);
}

}  // namespace quadcount
