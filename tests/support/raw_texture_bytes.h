// Builds raw texture files in tests: the 8-byte header (little-endian width and
// height) that the pixel bytes follow.
#pragma once

#include <cstdint>
#include <vector>

inline std::vector<unsigned char> Header(int32_t w, int32_t h) {
    std::vector<unsigned char> b(8);
    for (int i = 0; i < 8; ++i) b[i] = static_cast<unsigned char>(uint32_t(i < 4 ? w : h) >> (8 * (i % 4)));
    return b;
}
