// The scene's static layer: the backdrop, the tree, the icon column and the clock line
// change only with the window size, the pictures, the icons' look and the second, so
// once drawn they are copied into the frame from one window-sized picture instead of
// being drawn again.
#pragma once

#include <cstdint>

// A part of the rest that changes on its own, often (the clock line): what tells its
// looks apart, and the rectangle, in GUI units, that holds everything it draws.
struct LayerPatch {
    uint64_t look = 0;
    float x0 = 0.0f, y0 = 0.0f, x1 = 0.0f, y1 = 0.0f;
};

// Draws the backdrop (opaque), the tree and, through `draw_rest`, what lies on them
// (blended) over the whole GUI space, and leaves blending on with source-alpha
// factors and depth writes off. `look` tells the looks of the rest apart. A frame
// that draws a layer which held still (the same as the frame before, or a kept
// layer's next look, but not the very first layer) keeps a copy of the result; later
// frames put it back pixel for pixel, without blending, until the size, a picture or
// the look changes. A new look of `patch` is drawn into the copy within the patch's
// rectangle only, as the whole layer would draw it there.
void DrawStaticLayer(uint64_t look, const LayerPatch& patch, void (*draw_rest)());
// Forgets the kept copy (the next frames draw the layer again).
void ForgetBackdropCopy();
// Whether a copy may be taken (true at start): only while the whole window can be
// seen, since pixels covered when it is taken may be undefined. While it may not,
// every frame draws the layer.
void AllowBackdropCopy(bool allowed);
