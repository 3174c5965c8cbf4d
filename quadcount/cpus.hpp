// How many threads quadcount may run: like nproc(1), the CPUs in the
// process's affinity mask (taskset, cpusets), capped by its cgroup's CPU
// quota (cgroup v2 cpu.max, rounded up, the least along the cgroup's path),
// or the count the user gives with --parallel.
// Tested: the quota arithmetic on made-up cpu.max lines, the cgroup reader
// on a fixture tree, the mask under a one-CPU affinity.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quadcount {

// The CPUs the process may use, read once: at least 1.
unsigned usable_cpus();

// The CPUs in the process's affinity mask, read now: at least 1.
unsigned affinity_cpus();

// CPUs a cpu.max line ("QUOTA PERIOD", or "max PERIOD") allows, rounded up;
// 0 where it sets no limit or cannot be read.
unsigned quota_cpus(std::string_view cpu_max);

// The least quota along the cgroup named in /proc/self/cgroup's text, read
// from cpu.max in the cgroup tree at `root` and each folder above it; 0 where
// none is set.
unsigned cgroup_cpus(const std::string& root, std::string_view proc_cgroup);

// The process's cgroup v2 folder below the tree's root ("/" for the root),
// from /proc/self/cgroup's text; empty where it has none.
std::string cgroup_folder(std::string_view proc_cgroup);

// The cgroup named in /proc/self/cgroup's text and each one above it, as
// folders of the cgroup tree at `root`, the process's first; none where it
// has no cgroup v2 folder.
std::vector<std::string> cgroup_chain(const std::string& root, std::string_view proc_cgroup);

// A file's whole text; empty where it cannot be read.
std::string file_text(const std::string& path);

}  // namespace quadcount
