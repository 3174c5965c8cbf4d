// The types the parts of quadcount share: a list of elements, an unsigned
// 128-bit count, and a share of a split count.
#pragma once

#include "memory.hpp"

#include <cstdint>

namespace quadcount {

using List = BigVector<std::int32_t>;  // on huge pages: long lists fault far less

__extension__ typedef unsigned __int128 u128;

// Part k of n (k from 0) of a count split among processes: the parts'
// counts add up to the whole.
struct Share {
    unsigned k = 0, n = 1;
};

}  // namespace quadcount
