// The straightforward digit-string filters; see digits_ref.hpp.
#include "digits_ref.hpp"

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace reference {

void sumplus(std::istream& in, std::ostream& out)
{
    std::string number;
    while (in >> number && number != "END") {
        std::int64_t len = static_cast<std::int64_t>(number.size());
        bool kladne = number[0] != '-';
        if (kladne) {
            std::uint64_t cifSoucet = 0;
            std::vector<std::int64_t> postupneSoucty(number.size());
            for (std::int64_t i = 0; i < len; ++i) {
                cifSoucet += static_cast<std::uint64_t>(static_cast<signed char>(number[i]) - 48);
                postupneSoucty[i] = static_cast<std::int64_t>(cifSoucet);
            }
            std::int64_t ukaz = len - 1, rozdil = 0;
            while (rozdil <= 1 && ukaz > 0) {
                rozdil += 57 - static_cast<signed char>(number[ukaz]);
                --ukaz;
            }
            if (rozdil >= 2) {
                while (number[ukaz] == '0' && ukaz > 0) --ukaz;
                number[ukaz] = static_cast<char>(number[ukaz] - 1);
                std::int64_t zbytekNaDoplneni =
                    static_cast<std::int64_t>(cifSoucet) - postupneSoucty[ukaz] + 2;
                for (std::int64_t i = ukaz + 1; i < len; ++i) {
                    if (zbytekNaDoplneni > 8) {
                        number[i] = '9';
                        zbytekNaDoplneni -= 9;
                    } else {
                        number[i] = static_cast<char>(48 + zbytekNaDoplneni);
                        zbytekNaDoplneni = 0;
                    }
                }
            } else if (rozdil == 0) {
                out << "-";
                if (number[0] == '9')
                    out << "1";
                else
                    number[0] = static_cast<char>(number[0] + 1);
            } else {
                out << "-";
                for (std::int64_t i = 1; i < len; ++i) number[i] = '9';
            }
        } else {
            std::int64_t ukaz = len - 1;
            if (number[ukaz] != '9') {
                number[ukaz] = static_cast<char>(number[ukaz] + 1);
            } else {
                while (number[ukaz] == '9') --ukaz;
                if (ukaz == 0)
                    number.insert(1, 1, '1');  // -99 becomes -199
                else
                    number[ukaz] = static_cast<char>(number[ukaz] + 1);
            }
        }
        if (number[0] == '0')
            for (std::int64_t i = 1; i < len; ++i) out << number[i];
        else
            out << number;
        out << std::endl;
    }
}

void summinus(std::istream& in, std::ostream& out)
{
    std::string number;
    while (in >> number && number != "END") {
        std::int64_t len = static_cast<std::int64_t>(number.size()) - 1;
        for (std::int64_t i = len; i >= 0; --i) {
            if (number[i] == '0') continue;
            number[i] = static_cast<char>(number[i] - 1);
            if (i == 0 && number[i] == '0') number.assign(1, '0');
            break;
        }
        out << number << std::endl;
    }
}

}  // namespace reference
