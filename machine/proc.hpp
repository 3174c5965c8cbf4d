// Reading what the kernel tells a process of itself: whole files (of
// /proc and /sys), and the process's cgroup v2 folder and those above it.
// Tested on made-up /proc/self/cgroup texts and a fixture cgroup tree.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace machine {

// A file's whole text; empty where it cannot be read.
std::string file_text(const std::string& path);

// The process's cgroup v2 folder below the tree's root ("/" for the root),
// from /proc/self/cgroup's text; empty where it has none.
std::string cgroup_folder(std::string_view proc_cgroup);

// The cgroup named in /proc/self/cgroup's text and each one above it, as
// folders of the cgroup tree at `root`, the process's first; none where it
// has no cgroup v2 folder.
std::vector<std::string> cgroup_chain(const std::string& root, std::string_view proc_cgroup);

}  // namespace machine
