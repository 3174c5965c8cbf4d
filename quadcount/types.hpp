// The types the parts of quadcount share: a list of elements and an
// unsigned 128-bit count.
#pragma once

#include "memory.hpp"

#include <cstdint>

namespace quadcount {

using List = BigVector<std::int32_t>;  // on huge pages: long lists fault far less

__extension__ typedef unsigned __int128 u128;

}  // namespace quadcount
