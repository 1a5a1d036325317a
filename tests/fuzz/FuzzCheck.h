#pragma once

#include <cstdio>
#include <cstdlib>

// A broken property must stop the run under libFuzzer and under CTest alike.
#define ZK_FUZZ_CHECK(condition)                                                                   \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
