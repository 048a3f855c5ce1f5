// The fuzzers' assertion: a broken property stops the run with its place.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                        \
  do {                                                                               \
    if (!(condition)) {                                                              \
      std::printf("%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
      std::abort();                                                                  \
    }                                                                                \
  } while (0)
