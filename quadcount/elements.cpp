// Reading list elements; see elements.hpp.
#include "elements.hpp"

#include "budget.hpp"
#include "input.hpp"
#include "parallel.hpp"

#include <algorithm>
#include <span>
#include <vector>

namespace quadcount {

namespace {

using Text = std::span<const char>;

bool space(char c) { return io::is_space(static_cast<unsigned char>(c)); }

// The plain numbers at the start of text[from, to), each followed by a
// whitespace byte (which may lie at `to` or beyond, within text).
struct Part {
    std::size_t from = 0, to = 0;
    List values;
    std::size_t stop = 0;  // where parsing stopped: `to`, or a token it leaves to in.read()
};

// Parses one plain number at text[at]: a short number (input.hpp) ended by
// whitespace. Returns the position after its digits, or `at` if it is not plain.
std::size_t plain_number(Text text, std::size_t at, std::int32_t& value)
{
    const char* after = io::short_number(text.data() + at, text.data() + text.size(), value);
    if (after == nullptr || !space(*after)) return at;
    return static_cast<std::size_t>(after - text.data());
}

// The position after the first n plain numbers from `at`.
std::size_t after_numbers(Text text, std::size_t at, std::size_t n)
{
    for (std::int32_t v; n > 0; --n) {
        while (space(text[at])) ++at;
        at = plain_number(text, at, v);
    }
    return at;
}

void parse(Text text, Part& part)
{
    std::size_t p = part.from;
    for (;;) {
        while (p < part.to && space(text[p])) ++p;
        std::int32_t v;
        std::size_t next = p < part.to ? plain_number(text, p, v) : p;
        if (next == p) break;
        part.values.push_back(v);
        p = next;
    }
    part.stop = std::min(p, part.to);
}

// Cuts text[0, end), end just after a whitespace byte, into parts of about
// equal size, each ending at whitespace.
void cut(Text text, std::size_t end, std::vector<Part>& parts)
{
    const std::size_t n = parts.size();
    for (std::size_t i = 0, from = 0; i < n; ++i) {
        std::size_t to = i + 1 == n ? end - 1 : std::max(from, end * (i + 1) / n);
        while (to < end - 1 && !space(text[to])) ++to;
        parts[i].from = from;
        parts[i].to = to;
        parts[i].values.clear();
        from = to;
    }
}

// Appends the parts' numbers to `list`, in order, up to `wanted` of them and
// up to the first part that stopped short. Returns how many it appended, and
// in `consumed` where the text they came from ends.
std::uint64_t take(Text text, std::vector<Part>& parts, std::uint64_t wanted, List& list, std::size_t& consumed)
{
    std::uint64_t taken = 0;
    consumed = 0;
    for (Part& part : parts) {
        auto n = static_cast<std::size_t>(std::min<std::uint64_t>(part.values.size(), wanted - taken));
        list.insert(list.end(), part.values.begin(), part.values.begin() + static_cast<std::ptrdiff_t>(n));
        taken += n;
        if (n < part.values.size()) {  // enough: up to the last number taken
            consumed = after_numbers(text, part.from, n);
            break;
        }
        consumed = part.stop;
        if (part.stop < part.to || taken == wanted) break;  // the rest is for in.read()
    }
    return taken;
}

}  // namespace

std::uint64_t read_elements(io::Input& in, List& list, std::uint64_t count, std::int32_t& tmp, const Parsing& parsing)
{
    // Many elements are parsed on as many threads as the address space has
    // room for.
    const unsigned threads = count >= (1 << 16) ? threads_within(address_space_room(), thread_count(parsing.threads))
                                                : std::max(parsing.threads, 1u);
    std::vector<Part> parts(threads);  // kept from one stretch to the next, with their memory
    if (threads > 1 && count >= (1 << 16))
        in.reserve(std::max<std::size_t>(4 * parsing.split_bytes, std::size_t{4} << 20));
    std::uint64_t done = 0;
    while (done < count) {
        Text text = in.window();
        std::size_t end = text.size();  // just after the last whitespace byte, which ends every number before it
        while (end > 0 && !space(text[end - 1])) --end;
        if (threads > 1 && end >= std::max<std::size_t>(parsing.split_bytes, 1)) {
            cut(text, end, parts);
            parallel_for(threads, threads, [&](std::size_t i) { parse(text, parts[i]); });
            std::size_t consumed = 0;
            std::uint64_t taken = take(text, parts, count - done, list, consumed);
            if (consumed > 0) {
                in.consume(consumed);
                done += taken;
                if (!list.empty()) tmp = list.back();
                continue;
            }
        }
        if (!in.read(tmp)) return done;
        list.push_back(tmp);
        ++done;
    }
    return done;
}

}  // namespace quadcount
