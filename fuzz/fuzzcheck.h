#pragma once

#include <cstdlib>

// A property every input must keep: the fuzzer takes the abort as a finding and keeps the input.
inline void check(bool condition)
{
    if (!condition)
        std::abort();
}
