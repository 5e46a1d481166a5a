// The scene's static layer: the backdrop, the tree, the icon column and the clock line
// change only with the window size, the pictures, the icons' look and the second, so
// once drawn they are copied into the frame from one window-sized picture instead of
// being drawn again.
#pragma once

#include <cstdint>

// Draws the backdrop (opaque), the tree and, through `draw_rest`, what lies on them
// (blended) over the whole GUI space, and leaves blending on with source-alpha
// factors and depth writes off. `look` tells the looks of the rest apart. A frame
// that draws a layer which held still (the same as the frame before, or a kept
// layer's next look, but not the very first layer) keeps a copy of the result; later
// frames put it back pixel for pixel, without blending, until the size, a picture or
// the look changes.
void DrawStaticLayer(uint64_t look, void (*draw_rest)());
// Forgets the kept copy (the next frames draw the layer again).
void ForgetBackdropCopy();
// Whether a copy may be taken (true at start): only while the whole window can be
// seen, since pixels covered when it is taken may be undefined. While it may not,
// every frame draws the layer.
void AllowBackdropCopy(bool allowed);
