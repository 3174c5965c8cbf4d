// The Highway targets (HWY_AVX2, ...) the processor has, as bits, read once,
// before sort.cpp turns any off: the paths of quadcount's sort and count by
// slices are chosen among these.
#pragma once

#include <cstdint>

namespace cpu {

std::int64_t highway_paths();

}  // namespace cpu
