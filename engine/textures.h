// Raw texture files and the asset globals every picture is drawn from.
#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A decoded raw texture: width, height, straight RGBA bytes with the bottom row first.
struct RawTexture {
    int32_t w = 0;
    int32_t h = 0;
    std::vector<unsigned char> pixels;
};

// Checks the header of a raw texture file held in memory: on success w and h are
// positive and the buffer holds at least w*h*4 pixel bytes after the 8-byte header.
bool CheckRawTexture(const unsigned char* data, size_t size, int32_t& w, int32_t& h, std::string& error);
// Parses a raw texture file held in memory: little-endian int32 width and height,
// then w*h*4 bytes. Trailing bytes are ignored. Returns false, with `error` set, for
// a buffer too short for its header or its pixels, or sizes that are zero, negative
// or too large to address; never allocates more than the buffer holds.
bool ParseRawTexture(const unsigned char* data, size_t size, RawTexture& out, std::string& error);

// Reads the raw texture file `path` (see ParseRawTexture); false, with `error` set,
// for a file that cannot be read or is damaged.
bool ReadRawTexture(const char* path, RawTexture& out, std::string& error);

// Where a picture's texels belong, from the optional trailer that follows the pixels
// of a raw texture file: "PLAC", then little-endian int32 canvas width and height (the
// whole picture, in texels), x0 and y0 (where the stored texels start in it, bottom
// row first) and the window size in pixels the texels are made for. A file without
// one holds the whole picture. The texels are uploaded as they are: shrinking them
// for a smaller window softened the outlines visibly, where GL's own filtering does not.
struct Placement {
    int32_t canvas_w = 0, canvas_h = 0, x0 = 0, y0 = 0, window_px = 0;
};
// Reads the placement of a w by h file held in memory (already checked); false when
// it has none or one that does not hold the stored texels.
bool ReadPlacement(const unsigned char* data, size_t size, int32_t w, int32_t h, Placement& out);

// Gives `t` a new texture name for the raw texture file `path` and checks the file
// at once, so that a missing or damaged picture is named now, in one line on standard
// error, and drawn fully transparent; a good file's texels are read and uploaded when
// `t` is first bound through BindPicture, so the start and the memory pay only for
// the pictures that frames have shown. `clamp` sets wrap S and T to GL_CLAMP (the
// font). A cropped picture (its placement says so) is clamped at its edges, drawn by
// the sprite quads over its place only, and its place is recorded at once; of a
// whole `sprite` picture, the upload records where it can show anything.
void RegisterPicture(GLuint& t, const char* path, bool clamp = false, bool sprite = false);
// Binds `t` to GL_TEXTURE_2D, uploading its registered picture first if that has not
// been done; any other name is only bound.
void BindPicture(GLuint t);

extern GLuint font, background, eye_l, eye_r, hat, tree, cloud, circle;
extern GLuint owl[3], owl_ce[3];
extern GLuint button[2];
extern GLuint button_close, button_add, button_trash, button_check, button_arrow_u, button_arrow_d;
extern GLuint icns[9];
extern GLuint GUI[4];
extern GLuint notify_circle;

// Registers every asset global's picture from Data/ in the fixed order (GUI[2] shares
// GUI[1]): names and checks now, texels on first use.
void LoadAllTextures();
