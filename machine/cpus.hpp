// How many threads a program may run by default: as nproc(1) counts, the
// CPUs in the process's affinity mask (taskset, cpusets), capped by its
// cgroup's CPU quota (cgroup v2 cpu.max, rounded up, the least along the
// cgroup's path); or OMP_NUM_THREADS where it names a count, at most
// OMP_THREAD_LIMIT; or the count the user gives with --parallel.
// Tested: the quota arithmetic on made-up cpu.max lines, the cgroup reader
// on a fixture tree, the mask under a one-CPU affinity, the OpenMP variables
// on a table of values.
#pragma once

#include <string>
#include <string_view>

namespace machine {

// The threads the process runs by default, read once: at least 1.
unsigned usable_cpus();

// The count as nproc(1) gives it from `cpus` and the values of
// OMP_NUM_THREADS and OMP_THREAD_LIMIT (null where unset): the first entry
// of OMP_NUM_THREADS's list where it is a positive number, else `cpus`;
// then at most OMP_THREAD_LIMIT where that is a positive number.
unsigned openmp_threads(unsigned cpus, const char* num_threads, const char* thread_limit);

// The CPUs in the process's affinity mask, read now: at least 1.
unsigned affinity_cpus();

// CPUs a cpu.max line ("QUOTA PERIOD", or "max PERIOD") allows, rounded up;
// 0 where it sets no limit or cannot be read.
unsigned quota_cpus(std::string_view cpu_max);

// The least quota along the cgroup named in /proc/self/cgroup's text, read
// from cpu.max in the cgroup tree at `root` and each folder above it; 0 where
// none is set.
unsigned cgroup_cpus(const std::string& root, std::string_view proc_cgroup);

}  // namespace machine
