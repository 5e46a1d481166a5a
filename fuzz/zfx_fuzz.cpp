// libFuzzer target for the effect-file reader: parse the input, check what the reader
// promises, and run a few frames of every emitter it yields; a broken promise aborts.
#include <string>
#include <vector>

#include "fuzz/fuzz.h"
#include "fx/scintix.h"
#include "fx/zfx_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<ZfxBlock> blocks;
    std::string error;
    if (!ParseZfx(reinterpret_cast<const char*>(data), size, blocks, error)) return Require(blocks.empty() && !error.empty()), 0;
    size_t total_pixels = 0;
    for (const ZfxBlock& b : blocks) {
        const ScintixParticlesFX& e = b.emitter;
        Require(e.sizeX >= 0 && e.sizeY >= 0 && e.instance
                && b.pixels.size() == size_t(e.sizeX) * size_t(e.sizeY) * 4 + 1);
        total_pixels += b.pixels.size() - 1;
    }
    Require(total_pixels <= size);
    // Whatever numbers came through, a few frames must stay bounded and defined.
    for (size_t i = 0; i < blocks.size() && i < 4; ++i) {
        ScintixParticlesFX e = blocks[i].emitter;
        e.spawn_p_min %= 2000, e.spawn_p_max %= 2000;  // keep each input quick; the cap is tested elsewhere
        for (int frame = 0; frame < 3; ++frame) {
            e.advance(0, 0, 0, 25, 0.1f);
            GLubyte rgba[4];
            for (const ScintixParticlesFX::Particle& p : e.particles) ParticleColor(e, p, rgba);
        }
        Require(static_cast<int>(e.particles.size()) <= ScintixParticlesFX::kMaxParticles);
    }
    return 0;
}
