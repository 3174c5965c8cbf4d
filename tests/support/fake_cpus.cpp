// A preload that makes a process see FAKE_CPUS CPUs in its affinity mask, as
// a machine with that many would show it, so that a program sizing its
// threads from the mask really starts that many here. A mask already narrowed
// (taskset, a cpuset) is left as it is. Use:
//   LD_PRELOAD=build/tests/libfake_cpus.so FAKE_CPUS=64 ctest --preset default
#include <dlfcn.h>
#include <sched.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

extern "C" int sched_getaffinity(pid_t pid, std::size_t size, cpu_set_t* set)
{
    using Real = int (*)(pid_t, std::size_t, cpu_set_t*);
    static Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "sched_getaffinity"));
    int rc = real(pid, size, set);
    if (rc != 0) return rc;
    if (CPU_COUNT_S(size, set) < sysconf(_SC_NPROCESSORS_ONLN)) return rc;  // narrowed
    const char* given = std::getenv("FAKE_CPUS");
    long n = given != nullptr ? std::atol(given) : 0;
    if (n <= 0) return rc;
    std::memset(set, 0, size);
    for (long i = 0; i < n && static_cast<std::size_t>(i) < size * 8; ++i)
        CPU_SET_S(static_cast<std::size_t>(i), size, set);
    return 0;
}
