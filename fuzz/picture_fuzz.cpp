// libFuzzer target for the picture reader: a raw texture either parses into exactly
// the pixels its sizes name, all within the input, or fails with a reason; the sprite
// bounds of what parses stay inside the texture.
#include <cstring>

#include "engine/sprite_bounds.h"
#include "engine/textures.h"
#include "fuzz/fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RawTexture t;
    std::string error;
    if (!ParseRawTexture(data, size, t, error)) return Require(!error.empty()), 0;
    const size_t bytes = size_t(t.w) * size_t(t.h) * 4;
    Require(t.w > 0 && t.h > 0 && t.pixels.size() == bytes && bytes <= size - 8);
    Require(std::memcmp(t.pixels.data(), data + 8, bytes) == 0);
    for (const bool clamp : {false, true}) {
        const SpriteBounds b = ComputeSpriteBounds(t.pixels.data(), t.w, t.h, clamp);
        Require(b.empty() || (b.u0 >= 0 && b.v0 >= 0 && b.u1 <= 1 && b.v1 <= 1));
    }
    return 0;
}
