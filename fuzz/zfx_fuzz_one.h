// One fuzz input for the effect reader: parse it, check what the reader promises, and
// run a few frames of every emitter it yields. Shared by the libFuzzer target and the
// corpus replay of the test suite; a broken promise aborts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fx/scintix.h"
#include "fx/zfx_parser.h"

inline void FuzzOneZfx(const uint8_t* data, size_t size) {
    std::vector<ZfxBlock> blocks;
    std::string error;
    const bool ok = ParseZfx(reinterpret_cast<const char*>(data), size, blocks, error);
    if (!ok) {
        if (!blocks.empty() || error.empty()) std::abort();
        return;
    }
    size_t total_pixels = 0;
    for (const ZfxBlock& b : blocks) {
        const ScintixParticlesFX& e = b.emitter;
        if (e.sizeX < 0 || e.sizeY < 0 || !e.instance) std::abort();
        if (b.pixels.size() != static_cast<size_t>(e.sizeX) * static_cast<size_t>(e.sizeY) * 4 + 1) std::abort();
        total_pixels += b.pixels.size() - 1;
    }
    if (total_pixels > size) std::abort();
    // Whatever numbers came through, a few frames must stay bounded and defined.
    for (size_t i = 0; i < blocks.size() && i < 4; ++i) {
        ScintixParticlesFX e = blocks[i].emitter;
        e.spawn_p_min = e.spawn_p_min % 2000;  // keep each input quick; the cap is tested elsewhere
        e.spawn_p_max = e.spawn_p_max % 2000;
        for (int frame = 0; frame < 3; ++frame) {
            e.advance(0, 0, 0, 25, 0.1f);
            GLubyte rgba[4];
            for (const ScintixParticlesFX::Particle& p : e.particles) ParticleColor(e, p, rgba);
        }
        if (static_cast<int>(e.particles.size()) > ScintixParticlesFX::kMaxParticles) std::abort();
    }
}
