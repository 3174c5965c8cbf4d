// Fuzz target: quadcount against the multiset design, on records small enough
// for it to count one pick at a time. The last input byte also picks the
// counting method, the slice size, the number of threads, and the vector
// paths for counting by slices and for sorting, and whether the numbers are
// read as --invalid=warn reads them.
#include "fuzz_target.hpp"
#include "quadcount_ref.hpp"
#include "methods.hpp"
#include "records.hpp"
#include "sort.hpp"

namespace {

quadcount::Tuning tuning;
bool checked = false;  // read as --invalid=warn reads
void run_tuned(io::Input& in, io::Output& out)
{
    quadcount::run_with(in, out, tuning, checked ? &fuzz::checking() : nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    unsigned pick = size == 0 ? 0 : data[size - 1];
    // Transforms stay small, so that a forced histogram method keeps the
    // fuzzer fast; a wider side falls back to the cheapest method.
    unsigned threads = pick % 8 == 3 ? 2 : 1;  // threads cost much under the sanitizers
    checked = pick % 11 == 4;
    static const std::vector<std::int64_t> slice_paths = quadcount::slice_paths(), sort_paths = quadcount::sort_paths();
    tuning = {.method = static_cast<quadcount::Method>(pick % 7),
              .slice_elements = 1 + pick / 7 % 8,
              .threads = threads,
              .max_transform = 1 << 12,
              .sort_path = sort_paths[pick / 5 % sort_paths.size()],
              .count_path = slice_paths[pick / 3 % slice_paths.size()]};
    return fuzz::differential(data, size, run_tuned, [](std::istream& in, std::ostream& out) {
        return reference::quadcount(in, out, 64);
    });
}
