// The fuzz targets' assertion: always on, whatever the build type, and it aborts so
// that the fuzzing engine keeps the input that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_ASSERT(c)                                            \
    do {                                                          \
        if (!(c)) {                                               \
            std::fprintf(stderr, "assertion failed: %s\n", #c); \
            std::abort();                                         \
        }                                                         \
    } while (0)
