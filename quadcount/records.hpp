// The record loop of quadcount.
#pragma once

#include "count.hpp"

#include <array>
#include <cstdint>

namespace io {
class Complaints;
class Input;
class Output;
}

namespace quadcount {

// Reads records (Limit S M D B, then S, M, D and B list elements) and writes
// each record's count on a line of its own. Returns at the end of input, at
// an unreadable header, or at a header whose four counts are all 0. A
// record is counted on at most `parallel` threads; 0: as many as the process
// has CPUs. With `share` part k of n, each line is this part's share of the
// record's count (count.hpp): the n parts' lines add up to the counts.
// Input not in the record's format is told to `complaints` where they are
// on (reader.hpp); the answers are the same. Threads start with the stacks
// the process gives them: quadcount's main makes those small (budget.hpp).
void run(io::Input& in, io::Output& out, unsigned parallel = 0, Share share = {},
         io::Complaints* complaints = nullptr);

// The same, counting as `tuning` says (for tests and fuzzing).
void run_with(io::Input& in, io::Output& out, const Tuning& tuning, io::Complaints* complaints = nullptr);

}  // namespace quadcount
