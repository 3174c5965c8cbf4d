// The Highway targets the processor has; see highway.hpp.
#include "highway.hpp"

#include <hwy/targets.h>

namespace cpu {

std::int64_t highway_paths()
{
    static const std::int64_t all = hwy::SupportedTargets();
    return all;
}

}  // namespace cpu
