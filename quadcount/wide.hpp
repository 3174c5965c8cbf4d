// Wide: an unsigned 256-bit count, enough for any product of four list
// lengths below 2^63, printed exactly in decimal.
#pragma once

#include "types.hpp"

#include <array>
#include <cstdint>
#include <string>

namespace quadcount {

class Wide {
public:
    Wide(u128 v = 0) : limbs_{static_cast<std::uint64_t>(v), static_cast<std::uint64_t>(v >> 64), 0, 0} {}

    Wide& operator*=(std::uint64_t k)
    {
        std::uint64_t carry = 0;
        for (auto& limb : limbs_) {
            u128 p = static_cast<u128>(limb) * k + carry;
            limb = static_cast<std::uint64_t>(p);
            carry = static_cast<std::uint64_t>(p >> 64);
        }
        return *this;
    }

    Wide& operator+=(const Wide& o)
    {
        std::uint64_t carry = 0;
        for (std::size_t i = 0; i < limbs_.size(); ++i) {
            u128 s = static_cast<u128>(limbs_[i]) + o.limbs_[i] + carry;
            limbs_[i] = static_cast<std::uint64_t>(s);
            carry = static_cast<std::uint64_t>(s >> 64);
        }
        return *this;
    }


    // Decimal digits, no sign, no leading zeros ("0" for zero).
    std::string str() const
    {
        constexpr std::uint64_t chunk = 10'000'000'000'000'000'000ULL;  // 10^19
        std::array<std::uint64_t, 4> n = limbs_;
        std::string digits;
        do {
            u128 rest = 0;
            for (auto it = n.rbegin(); it != n.rend(); ++it) {
                u128 cur = (rest << 64) | *it;
                *it = static_cast<std::uint64_t>(cur / chunk);
                rest = cur % chunk;
            }
            auto r = static_cast<std::uint64_t>(rest);
            bool more = n != std::array<std::uint64_t, 4>{};
            for (int i = 0; i < 19 && (more || r != 0 || digits.empty()); ++i) {
                digits.push_back(static_cast<char>('0' + r % 10));
                r /= 10;
            }
        } while (n != std::array<std::uint64_t, 4>{});
        return {digits.rbegin(), digits.rend()};
    }

private:
    std::array<std::uint64_t, 4> limbs_;  // least significant first
};

}  // namespace quadcount
