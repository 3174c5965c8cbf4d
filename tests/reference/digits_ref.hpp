// The straightforward sumplus and summinus: std::cin >> std::string, a
// prefix-sum array, a new string for the all-nines case, a flush per line.
// Slow by design; they are the tests' oracles and the benchmark's baseline.
#pragma once

#include <iosfwd>

namespace reference {

void sumplus(std::istream& in, std::ostream& out);
void summinus(std::istream& in, std::ostream& out);

}  // namespace reference
