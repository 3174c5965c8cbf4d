// The Highway targets the processor has; see highway.hpp.
#include "highway.hpp"

#include <hwy/targets.h>

#if HWY_ARCH_X86_64 && defined(__GNUC__)
#include <cpuid.h>
#endif
#if HWY_ARCH_ARM_A64 && defined(__linux__)
#include <sys/auxv.h>
#include <sys/prctl.h>
#endif

namespace machine {

namespace {

#if HWY_ARCH_X86_64 && defined(__GNUC__)
// F16C, which not every compiler's __builtin_cpu_supports() names.
bool has_f16c()
{
    unsigned a = 0, b = 0, c = 0, d = 0;
    return __get_cpuid(1, &a, &b, &c, &d) && (c & bit_F16C) != 0;
}
#endif

// Each target needs every instruction set it is compiled for (Highway's
// HWY_TARGET_STR), and the system's support for the wider registers, which
// __builtin_cpu_supports() checks too.
std::int64_t detected()
{
    std::int64_t bits = HWY_STATIC_TARGET;
#if HWY_ARCH_X86_64 && defined(__GNUC__)
    __builtin_cpu_init();
    const bool ssse3 = __builtin_cpu_supports("sse2") && __builtin_cpu_supports("ssse3");
    const bool sse4 = ssse3 && __builtin_cpu_supports("sse4.1") && __builtin_cpu_supports("sse4.2") &&
                      __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("aes");
    const bool avx2 = sse4 && __builtin_cpu_supports("avx") && __builtin_cpu_supports("avx2") &&
                      __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
                      __builtin_cpu_supports("fma") && has_f16c();
    const bool avx3 = avx2 && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
                      __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512bw");
    if (ssse3) bits |= HWY_SSSE3;
    if (sse4) bits |= HWY_SSE4;
    if (avx2) bits |= HWY_AVX2;
    if (avx3) bits |= HWY_AVX3;
#elif HWY_ARCH_ARM_A64 && defined(__linux__)
    const unsigned long hwcap = getauxval(AT_HWCAP), hwcap2 = getauxval(AT_HWCAP2);
    if ((hwcap & HWCAP_AES) && (hwcap & HWCAP_PMULL)) bits |= HWY_NEON;
    const bool sve = hwcap & HWCAP_SVE, sve2 = sve && (hwcap2 & HWCAP2_SVE2);
    const int vector_bytes = sve ? prctl(PR_SVE_GET_VL) & PR_SVE_VL_LEN_MASK : 0;
    if (sve) bits |= HWY_SVE;
    if (sve2) bits |= HWY_SVE2;
    if (sve && vector_bytes == 32) bits |= HWY_SVE_256;
    if (sve2 && vector_bytes == 16) bits |= HWY_SVE2_128;
#endif
    return bits;
}

}  // namespace

std::int64_t highway_paths()
{
    static const std::int64_t all = detected();
    return all;
}

}  // namespace machine
