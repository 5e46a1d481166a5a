// What every fuzz target shares: libFuzzer's entry point, which the corpus replay of
// the ordinary build calls too, and the check that aborts on a broken promise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

inline void Require(bool promise) {
    if (!promise) std::abort();
}
