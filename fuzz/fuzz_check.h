// A property check that stops the fuzzer with the broken property's name; the fuzzer then
// keeps the input that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace fuzz {

inline void Require(bool ok, const char* property) {
  if (!ok) {
    std::fprintf(stderr, "property broken: %s\n", property);
    std::abort();
  }
}

}  // namespace fuzz
