#pragma once

#include "common/failure.h"

#include <cstdio>

// Stops the run on a broken property. libFuzzer takes the trap as a crash and saves the input.
#define FUZZ_REQUIRE(condition)                                                                    \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition);  \
            __builtin_trap();                                                                      \
        }                                                                                          \
    } while (false)

// Runs `step` and tells whether it raised Failure. Any other exception breaks the contract that
// every failure of the program is a Failure.
template<typename Step> bool raisesFailure(Step &&step)
{
    try {
        step();
    } catch (const Failure &) {
        return true;
    } catch (...) {
        FUZZ_REQUIRE(!"an exception other than Failure");
    }
    return false;
}
