// quadcount-ref: the straightforward quadcount as a program, for benchmarks.
#include "quadcount_ref.hpp"

#include <iostream>

int main()
{
    reference::quadcount(std::cin, std::cout);
    return 0;
}
