// Threads a unit test starts: `n`, or at most $UNIT_TEST_THREADS where that
// is set (under an emulator that cannot run threads, 1).
#pragma once

#include <algorithm>
#include <cstdlib>

namespace testing_support {

inline unsigned threads(unsigned n)
{
    const char* most = std::getenv("UNIT_TEST_THREADS");
    return most != nullptr && std::atoi(most) > 0 ? std::min(n, static_cast<unsigned>(std::atoi(most))) : n;
}

}  // namespace testing_support
