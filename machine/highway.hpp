// The Highway targets (HWY_AVX2, ...) the processor has, as bits, read once:
// the paths of quadcount's sort and count by slices are chosen among these.
// Found here, not by Highway's library, whose loading costs a few ms (see
// quadcount/sort.cpp): a target is taken only where the processor and the
// system support every instruction set Highway compiles it for.
#pragma once

#include <cstdint>

namespace machine {

std::int64_t highway_paths();

}  // namespace machine
