// Reading what the kernel tells a process of itself; see proc.hpp.
#include "proc.hpp"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace machine {

std::string file_text(const std::string& path)
{
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string cgroup_folder(std::string_view proc_cgroup)
{
    // In cgroup v2 the process's line is "0::/path".
    std::size_t at = proc_cgroup.starts_with("0::") ? 0 : proc_cgroup.find("\n0::");
    if (at == std::string_view::npos) return {};
    at += proc_cgroup[at] == '\n' ? 4 : 3;
    std::string_view path = proc_cgroup.substr(at, proc_cgroup.find('\n', at) - at);
    return path.starts_with('/') ? std::string(path) : std::string();
}

std::vector<std::string> cgroup_chain(const std::string& root, std::string_view proc_cgroup)
{
    std::vector<std::string> chain;
    std::string folder = cgroup_folder(proc_cgroup);
    if (folder.empty()) return chain;
    for (;;) {
        chain.push_back(root + folder);
        if (folder.size() <= 1) return chain;
        folder.erase(std::max<std::size_t>(folder.rfind('/'), 1));
    }
}

}  // namespace machine
