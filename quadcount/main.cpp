// quadcount: count the picks that stay within a budget.
//
// Reads records from standard input, each a budget and four lists of
// integers: "Limit S M D B" followed by S, M, D and B elements, all separated
// by any whitespace. For each record prints one line: how many ways there are
// to pick one element from each list, in order, so that the running total
// after the second, third and fourth pick is at most Limit. A record whose
// four counts are all 0 ends the run, as do the end of input and a header
// that cannot be read. A record is counted on as many threads as it can use,
// up to the CPUs the process may use or the --parallel=N given. While a long record is counted, a status line on
// standard error shows its progress, if that is a terminal. Numbers given
// as operands are read instead of standard input. With --part=K/N it prints
// its part of every count, and --sum adds the parts' lines. Exit status 0;
// 1 after a read or write error, when out of memory, or for parts that do
// not add up; 2 for a usage error.
#include "features.hpp"
#include "budget.hpp"
#include "filter.hpp"
#include "methods.hpp"
#include "records.hpp"
#include "slice_kernels.hpp"
#include "sort.hpp"
#include "sum.hpp"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <fcntl.h>
#include <malloc.h>
#include <pthread.h>
#include <sys/resource.h>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::string_view usage =
    "Usage: quadcount [--help | --version] [--parallel=N] [--part=K/N] [--invalid=MODE]\n"
    "                 [--] [NUMBER]...\n"
    "  or:  quadcount --sum FILE...\n"
    "\n"
    "Reads records, each \"Limit S M D B\" followed by S, M, D and B integers (four\n"
    "lists), all separated by any whitespace. For each record prints one line: the\n"
    "number of picks (x1, x2, x3, x4), one from each list, with x1+x2, x1+x2+x3\n"
    "and x1+x2+x3+x4 all at most Limit. A record whose four counts are all 0 ends\n"
    "the run.\n"
    "\n"
    "While a record that takes more than about a second is counted, and standard\n"
    "error is a terminal, one status line there shows its progress; it is erased\n"
    "before the record's answer. Nothing else is ever written to standard error\n"
    "but a diagnostic.\n"
    "\n"
    "  --parallel=N  count on at most N threads (1 to 1024); by default as many as\n"
    "                the CPUs it may use (its affinity mask and CPU quota), or\n"
    "                OMP_NUM_THREADS, at most OMP_THREAD_LIMIT, as nproc counts\n"
    "  --part=K/N    answer part K of N (1 <= K <= N) of every count: N runs on\n"
    "                the same input, one with each K, print lines that add up to\n"
    "                the counts; a long record is split among them, a short one\n"
    "                answered whole by one and 0 by the others\n"
    "  --sum FILE... add the parts' answers (FILE - is standard input) line by\n"
    "                line, exactly; a part cut short, with fewer lines than the\n"
    "                others or a line that is not a count is an error (status 1)\n";

// The most threads a count may take, from "--parallel=N": 0 for as many as
// the process has CPUs.
unsigned parallel = 0;

// This run's part of every count, from "--part=K/N".
quadcount::Share share{};

bool take_part(std::string_view value)
{
    unsigned k = 0, n = 0;
    const char* end = value.data() + value.size();
    auto [slash, e1] = std::from_chars(value.data(), end, k);
    if (e1 != std::errc() || slash == end || *slash != '/') return false;
    auto [last, e2] = std::from_chars(slash + 1, end, n);
    if (e2 != std::errc() || last != end || k < 1 || k > n || n > 1'000'000) return false;
    share = {k - 1, n};
    return true;
}

// quadcount --sum FILE...: the parts' answers added line by line.
int sum(int argc, char** argv)
{
    io::program_name = "quadcount";
    if (argc < 3) {
        std::fputs("quadcount: --sum needs the parts' files (see quadcount --help)\n", stderr);
        return 2;
    }
    std::vector<std::string> texts;
    for (int i = 2; i < argc; ++i) {
        std::string name = argv[i];
        int fd = name == "-" ? STDIN_FILENO : ::open(argv[i], O_RDONLY | O_CLOEXEC);
        if (fd < 0) io::fail(name, errno);
        texts.emplace_back();
        char buf[1 << 16];
        for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) != 0;) {
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) io::fail(name + ": read error", errno);
            texts.back().append(buf, static_cast<std::size_t>(n));
        }
        if (fd != STDIN_FILENO) ::close(fd);
    }
    std::vector<std::string_view> views(texts.begin(), texts.end());
    auto result = quadcount::sum_parts(views);
    if (auto* fault = std::get_if<quadcount::SumFault>(&result))
        io::fail(std::string(argv[2 + fault->part]) + ": line " + std::to_string(fault->line) + ": " + fault->what);
    io::Output out(STDOUT_FILENO);
    out.write(std::get<std::string>(result));
    out.close();
    return 0;
}

// For --version: the vector paths this processor gets, each among those it
// has, and the sort of long lists. Loads the sort's plugin to say so.
std::string about()
{
    auto among = [](std::string& text, std::int64_t taken, const std::vector<std::int64_t>& all) {
        text.append(quadcount::path_name(taken)).append(" (this processor runs");
        for (std::int64_t path : all) text.append(" ").append(quadcount::path_name(path));
        text.append(")\n");
    };
    std::string text = "count by slices: ";
    among(text, quadcount::slices::kernels(0).path, quadcount::slice_paths());
    text.append("transforms: ").append(machine::has_avx2() ? "avx2" : "portable").append("\n");
    text.append("sort of long lists: ").append(quadcount::vector_sort_state()).append("\n");
    if (quadcount::vector_sort_loaded()) {
        text.append("  on the path timed fastest here: ");
        among(text, quadcount::fastest_sort_path(), quadcount::sort_paths());
    }
    return text;
}

bool take_parallel(std::string_view value)
{
    unsigned n = 0;
    auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), n);
    if (error != std::errc() || end != value.data() + value.size() || n < 1 || n > 1024) return false;
    parallel = n;
    return true;
}

}  // namespace

// The settings of the whole process that the count's memory plan counts on
// (budget.hpp): threads start with small stacks; and under a limit on the
// address space the threads share the one malloc arena, where each arena of
// its own would reserve 64 MiB of it.
static void settle_process()
{
    pthread_attr_t small{};
    if (pthread_attr_init(&small) == 0) {
        pthread_attr_setstacksize(&small, quadcount::thread_bytes);
        pthread_setattr_default_np(&small);
        pthread_attr_destroy(&small);
    }
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) mallopt(M_ARENA_MAX, 1);
}

int main(int argc, char** argv)
{
    if (argc > 1 && std::string_view(argv[1]) == "--sum") return sum(argc, argv);
    settle_process();
    const io::Option options[] = {{"--parallel", take_parallel}, {"--part", take_part}};
    return io::filter_main(
        argc, argv, "quadcount", usage, [](io::Input& in, io::Output& out, io::Complaints& complaints) {
            quadcount::run(in, out, parallel, share, &complaints);
        },
        options, about);
}
