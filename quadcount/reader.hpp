// quadcount's numbers read under --invalid other than ignore: each read as
// Input::read() reads it, so the answers stay the same, and what in its text
// the record's format did not expect told to the complaints, one line each:
//   - a header field or element that is not a number, or out of its range,
//     with the stand-in taken and the run's end that follow;
//   - the input ending inside a record;
//   - a number read whole from a token that is not a canonical number ('+5',
//     '007'), or from the front of one ('12a': 12, then 'a' read next);
//   - a negative count, which reads no elements.
// Tested by the --invalid table of the command-line tests, whose answers
// must equal the unchecked run's.
#pragma once

#include "input.hpp"
#include "invalid.hpp"
#include "output.hpp"

#include <cstdint>
#include <string>

namespace quadcount {

class CheckedReader {
public:
    CheckedReader(io::Input& in, io::Output& out, io::Complaints& complaints)
        : in_(in), out_(out), complaints_(complaints)
    {
    }

    // Field `field` of record `record`'s header: 0 for Limit, 1 to 4 for the
    // lists' counts.
    bool header(std::int64_t& value, std::uint64_t record, int field);

    // Element `index` (from 1) of list `list` (from 1) of record `record`,
    // which promised `count`; on a failure `value` holds the stand-in.
    bool element(std::int32_t& value, std::uint64_t record, int list, std::uint64_t index, std::int64_t count);

    // The n elements of a list read past, each as element() reads it and
    // told alike; returns how many were read.
    std::uint64_t skip(std::int32_t& value, std::uint64_t n, std::uint64_t record, int list, std::int64_t count)
    {
        std::uint64_t got = 0;
        while (got < n && element(value, record, list, got + 1, count)) ++got;
        return got;
    }

private:
    // The next read, told where it is at odds with the format: `where`
    // names it, and then(value) says what follows a failure. The end of
    // input is left to the caller; a read after a failure, already told,
    // is not told again.
    enum class Got { number, failure, end, told };
    template <class T, class Then>
    Got read(T& value, const std::string& where, Then then);
    void say(const std::string& text) { complaints_.say(out_, text); }

    io::Input& in_;
    io::Output& out_;
    io::Complaints& complaints_;
    bool inside_ = false;  // the last read ended inside a token
};

}  // namespace quadcount
