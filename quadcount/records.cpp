// The record loop of quadcount; see records.hpp.
#include "records.hpp"

#include "budget.hpp"
#include "count.hpp"
#include "input.hpp"
#include "output.hpp"
#include "reader.hpp"
#include "shortage.hpp"

#include <algorithm>

namespace quadcount {

namespace {

// A record's lists: the elements read, and where reading stopped. Once a read
// fails, every remaining position of the record holds the value `stand_in`:
// `missing` positions of list `broken`, and all of every later list.
struct ReadRecord {
    std::int64_t Limit = 0;
    std::array<std::int64_t, 4> counts{};
    std::array<List, 4> lists;
    int broken = 4;
    std::int32_t stand_in = 0;
    std::uint64_t missing = 0;

    // The elements list i promised: none for a negative count.
    std::uint64_t wanted(int i) const { return static_cast<std::uint64_t>(std::max<std::int64_t>(counts[i], 0)); }
};

// Reads the elements of a record whose header is in `r`, each by
// next(value, list, index). `tmp` carries the last value read from one
// record to the next, as the stand-in after a read that stores nothing.
template <class Next>
void read_lists(ReadRecord& r, std::int32_t& tmp, Next next)
{
    for (int i = 0; i < 4; ++i) {
        const std::uint64_t want = r.wanted(i);
        List& list = r.lists[i];
        list.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(want, 1 << 16)));  // a count may promise more than comes
        std::uint64_t got = 0;
        for (; got < want && next(tmp, i, got); ++got) list.push_back(tmp);
        if (got < want) {
            r.broken = i;
            r.missing = want - got;
            r.stand_in = tmp;
            return;
        }
    }
}

// Reads past the lists of record `number` as read_lists() reads them,
// storing nothing: `tmp` is left as read_lists() would leave it.
template <class Reader>
void skip_lists(const ReadRecord& r, std::int32_t& tmp, Reader& reader, std::uint64_t number)
{
    for (int i = 0; i < 4; ++i)
        if (reader.skip(tmp, r.wanted(i), number, i + 1, r.counts[i]) < r.wanted(i)) return;
}

// The record's count, the stand-in positions included without being stored:
// each later list is `counts[i]` copies of one value, and the broken list
// splits into the elements read and `missing` copies.
Wide count_record(ReadRecord& r, const Tuning& tuning)
{
    if (r.broken == 4) return Wide(count_picks(r.lists, r.Limit, tuning));
    for (int i = r.broken + 1; i < 4; ++i) r.lists[i].assign(1, r.stand_in);
    Wide total = count_picks(r.lists, r.Limit, tuning);
    r.lists[r.broken].assign(1, r.stand_in);
    Wide stand_ins = count_picks(r.lists, r.Limit, tuning);
    stand_ins *= r.missing;
    total += stand_ins;
    for (int i = r.broken + 1; i < 4; ++i)
        total *= static_cast<std::uint64_t>(std::max<std::int64_t>(r.counts[i], 0));
    return total;
}

// The numbers as they stand, nothing told: the reader without --invalid.
struct PlainReader {
    io::Input& in;
    bool header(std::int64_t& value, std::uint64_t, int) { return in.read(value); }
    bool element(std::int32_t& value, std::uint64_t, int, std::uint64_t, std::int64_t) { return in.read(value); }
    std::uint64_t skip(std::int32_t& value, std::uint64_t n, std::uint64_t, int, std::int64_t) { return in.skip(n, value); }
};

// The record loop, each number read by `reader` (PlainReader or
// CheckedReader, which read alike).
template <class Reader>
void read_records(io::Input& in, io::Output& out, const Tuning& tuning, Reader& reader)
{
    std::int32_t tmp = 0;
    Tuning numbered = tuning;
    for (;;) {
        ReadRecord r;
        const std::uint64_t number = numbered.record + 1;
        reader.header(r.Limit, number, 0);
        for (int i = 0; i < 4; ++i) reader.header(r.counts[i], number, i + 1);
        if (in.failed()) return;
        if (std::all_of(r.counts.begin(), r.counts.end(), [](std::int64_t c) { return c == 0; }))
            return;
        numbered.record = number;
        const bool split = numbered.share.n > 1;  // a whole run asks nothing more of a record
        if (split && goes_elsewhere({r.wanted(0), r.wanted(1), r.wanted(2), r.wanted(3)}, numbered)) {
            skip_lists(r, tmp, reader, number);
            out.write("0\n");
            continue;
        }
        try {
            read_lists(r, tmp, [&](std::int32_t& v, int list, std::uint64_t got) {
                return reader.element(v, number, list + 1, got + 1, r.counts[list]);
            });
        } catch (const std::bad_alloc&) {
            double bytes = 0;
            for (int i = 0; i < 4; ++i) bytes += 4.0 * double(r.wanted(i));
            throw io::Shortage(shortage(number, bytes, room(), " for its lists"));
        }
        out.write(count_record(r, numbered).str());
        out.put('\n');
    }
}

}  // namespace

void run(io::Input& in, io::Output& out, unsigned parallel, Share share, io::Complaints* complaints)
{
    run_with(in, out, {.parallel = parallel, .share = share}, complaints);
}

void run_with(io::Input& in, io::Output& out, const Tuning& tuning, io::Complaints* complaints)
{
    if (complaints != nullptr && complaints->on()) {
        CheckedReader reader(in, out, *complaints);
        read_records(in, out, tuning, reader);
    } else {
        PlainReader reader{in};
        read_records(in, out, tuning, reader);
    }
}

}  // namespace quadcount
