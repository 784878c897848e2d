// Invariant checks for the fuzz targets. They stay in every build type (assert would vanish
// under NDEBUG) and end the process like a crash, so that the fuzzer keeps the input.
#pragma once

#include <cstdio>
#include <cstdlib>

#define LORVEX_FUZZ_CHECK(condition)                                                               \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)
