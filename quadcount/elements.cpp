// Reading list elements; see elements.hpp.
#include "elements.hpp"

#include "input.hpp"
#include "parallel.hpp"

#include <algorithm>
#include <span>
#include <vector>

namespace quadcount {

namespace {

// The plain numbers at the start of text[from, to), each followed by a
// whitespace byte (which may lie at `to` or beyond, within text).
struct Part {
    std::size_t from = 0, to = 0;
    List values;
    std::size_t stop = 0;  // where parsing stopped: `to`, or a token it leaves to in.read()
};

// Parses one plain number at text[at]: a short number (input.hpp) ended by
// whitespace. Returns the position after its digits, or `at` if it is not plain.
inline std::size_t plain_number(std::span<const char> text, std::size_t at, std::int32_t& value)
{
    const char* end = text.data() + text.size();
    const char* after = io::short_number(text.data() + at, end, value);
    if (after == nullptr || !io::is_space(static_cast<unsigned char>(*after))) return at;
    return static_cast<std::size_t>(after - text.data());
}

void parse_part(std::span<const char> text, Part& part)
{
    std::size_t p = part.from;
    for (;;) {
        while (p < part.to && io::is_space(static_cast<unsigned char>(text[p]))) ++p;
        std::int32_t v;
        std::size_t next = p < part.to ? plain_number(text, p, v) : p;
        if (next == p) break;
        part.values.push_back(v);
        p = next;
    }
    part.stop = std::min(p, part.to);
}

}  // namespace

std::uint64_t read_elements(io::Input& in, List& list, std::uint64_t count, std::int32_t& tmp, unsigned threads,
                            std::size_t split_bytes)
{
    std::uint64_t done = 0;
    std::vector<Part> parts(threads);  // kept from one stretch to the next, with their memory
    if (threads > 1 && count >= (1 << 16)) in.reserve(std::max<std::size_t>(4 * split_bytes, std::size_t{4} << 20));
    while (done < count) {
        std::span<const char> text = in.window();
        std::size_t cut = text.size();  // up to the last whitespace byte, which ends every number before it
        while (cut > 0 && !io::is_space(static_cast<unsigned char>(text[cut - 1]))) --cut;
        if (threads > 1 && cut >= split_bytes && cut > 0) {
            for (std::size_t i = 0, from = 0; i < threads; ++i) {
                std::size_t to = i + 1 == threads ? cut - 1 : std::max(from, cut * (i + 1) / threads);
                while (to < cut - 1 && !io::is_space(static_cast<unsigned char>(text[to]))) ++to;
                parts[i].from = from;
                parts[i].to = to;
                parts[i].values.clear();
                from = to;
            }
            parallel_for(threads, threads, [&](std::size_t i) { parse_part(text, parts[i]); });
            std::size_t consumed = 0;
            for (Part& part : parts) {
                if (done == count) break;
                std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(part.values.size(), count - done));
                list.insert(list.end(), part.values.begin(), part.values.begin() + static_cast<std::ptrdiff_t>(take));
                done += take;
                if (take < part.values.size()) {  // enough: find the end of the last number taken
                    std::size_t p = part.from;
                    for (std::size_t k = 0; k < take; ++k) {
                        while (io::is_space(static_cast<unsigned char>(text[p]))) ++p;
                        std::int32_t v;
                        p = plain_number(text, p, v);
                    }
                    consumed = p;
                    break;
                }
                consumed = part.stop;
                if (part.stop < part.to) break;  // a token for in.read()
            }
            if (consumed > 0) {
                in.consume(consumed);
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
