// What the processor offers, asked in one place for the three programs:
// AVX2 for the hand-written paths (the digit filters' block paths and the
// transform's eight-lane levels); Highway's targets for the paths it makes
// (quadcount's sort and count by slices). Each is read once.
#pragma once

namespace machine {

// AVX2, with the POPCNT its users take along; false off x86-64.
inline bool has_avx2()
{
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool yes = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
    return yes;
#else
    return false;
#endif
}

}  // namespace machine
