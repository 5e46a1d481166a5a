// Reads the ".zfx" effect format from bytes in memory, without OpenGL: the emitters'
// numbers and their inline RGBA textures, ready to upload.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "fx/scintix.h"

// One emitter as read from its block; p_texture is still 0. `pixels` holds
// sizeX * sizeY * 4 bytes (plus one spare), rows in upload order.
struct ZfxBlock {
    ScintixParticlesFX emitter;
    std::vector<unsigned char> pixels;
};

// The format: "ZFX" as the very first three bytes, " ver: 2", then blocks of
// "texture: W H BLEND" with W*H*4 pixel values and the keywords particles_limit ...
// loop, read as C formatted input does: white space is free, keywords and colons
// are exact, pixel values keep their low 8 bits.
//
// Returns true with every block (in file order) for a well-formed file, also when
// the last block is cut short by the end of the file (what was read stays, the rest
// keeps its defaults). Returns false, with `error` saying why and `blocks` empty, for
// a wrong magic or version, text that stops matching a block's keywords before the
// end of the file, a negative texture size, or more pixel values than the rest of
// the file could hold (every value takes at least one byte). Work and memory are
// bounded by the input size.
bool ParseZfx(const char* data, size_t size, std::vector<ZfxBlock>& blocks, std::string& error);
