// summinus-ref: the straightforward summinus as a program, for benchmarks.
#include "digits_ref.hpp"

#include <iostream>

int main()
{
    reference::summinus(std::cin, std::cout);
    return 0;
}
