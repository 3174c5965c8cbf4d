// Reading a record's numbers under --invalid; see reader.hpp.
#include "reader.hpp"

#include <cstddef>

namespace quadcount {

namespace {

// The text of a read from its start (up to whitespace, cut short): the fault
// of its number as the format sees it, or empty, with `end` set where its
// digits end. A number is canonical with no '+' sign, no leading zero, and
// nothing after its digits.
std::string fault(const std::string& text, std::size_t& end)
{
    std::size_t at = text.empty() || (text[0] != '-' && text[0] != '+') ? 0 : 1;
    const std::size_t digits = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
    end = at;
    if (at == digits) return "not a number";
    if (text[0] == '+') return "a '+' sign";
    if (text[digits] == '0' && at - digits > 1) return "a leading zero";
    if (at < text.size()) {
        std::string what = text[at] == '\0' ? std::string("a NUL byte") : io::quoted_text(text.substr(at, 1));
        return what.append(" at byte ").append(std::to_string(at + 1)).append(", not a digit");
    }
    return {};
}

const char* const fields[] = {"Limit", "S", "M", "D", "B"};

}  // namespace

template <class T, class Then>
CheckedReader::Got CheckedReader::read(T& value, const std::string& where, Then then)
{
    if (in_.failed()) {
        in_.read(value);
        return Got::told;
    }
    const std::size_t most = 24;
    const std::string text(in_.ahead(most + 1));
    const bool glued = inside_;
    const bool ok = in_.read(value);
    if (text.empty()) return ok ? Got::number : Got::end;
    std::size_t end = 0;
    std::string why = fault(text, end);
    inside_ = ok && end < text.size();
    std::string line = where;
    line.append(" ").append(io::quoted_text(text, most)).append(glued ? " (the rest of a token)" : "").append(": ");
    if (!ok) {
        say(line.append(why == "not a number" ? why : "out of range").append("; ").append(then(value)));
        return Got::failure;
    }
    if (!why.empty() && !glued)
        say(line.append(why).append("; read as ").append(std::to_string(value)).append(inside_ ? ", the rest as the next number" : ""));
    return Got::number;
}

bool CheckedReader::header(std::int64_t& value, std::uint64_t record, int field)
{
    const std::string where = std::string("record ").append(std::to_string(record)).append(", ").append(fields[field]);
    const Got got = read(value, where, [](std::int64_t) { return std::string("the run ends"); });
    if (got == Got::end && field > 0)
        say(std::string("record ").append(std::to_string(record)).append(": the input ends inside its header; the run ends"));
    if (got == Got::number && field > 0 && value < 0)
        say(std::string(where).append(" ").append(std::to_string(value)).append(": a negative count; the list is empty"));
    return got == Got::number;
}

bool CheckedReader::element(std::int32_t& value, std::uint64_t record, int list, std::uint64_t index,
                            std::int64_t count)
{
    const std::string at = std::string("record ").append(std::to_string(record)).append(", list ").append(std::to_string(list));
    const Got got = read(value, std::string(at).append(", element ").append(std::to_string(index)), [](std::int32_t v) {
        return std::string("it and the rest of the record take ").append(std::to_string(v)).append(", and the run ends after it");
    });
    if (got == Got::end)
        say(std::string(at).append(": the input ends after ").append(std::to_string(index - 1)).append(" of ")
                .append(std::to_string(count)).append(" elements; the rest of the record takes ")
                .append(std::to_string(value)).append(", and the run ends after it"));
    return got == Got::number;
}

}  // namespace quadcount
