// sumplus-ref: the straightforward sumplus as a program, for benchmarks.
#include "digits_ref.hpp"

#include <iostream>

int main()
{
    reference::sumplus(std::cin, std::cout);
    return 0;
}
