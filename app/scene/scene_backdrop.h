// The scene's backdrop and tree: they never change, so after the first frame they are
// copied into the frame from one window-sized picture instead of being drawn again.
#pragma once

// Draws the backdrop (opaque) and the tree (blended) over the whole GUI space, and
// leaves blending on with source-alpha factors and depth writes off. The first frame
// at a window size draws them and keeps a copy of the result; later frames put that
// copy back pixel for pixel, without blending.
void DrawBackdropAndTree();
// Forgets the kept copy (the next frame draws the layers again).
void ForgetBackdropCopy();
// Whether a copy may be taken (true at start): only while the whole window can be
// seen, since pixels covered when it is taken may be undefined. While it may not,
// every frame draws the layers.
void AllowBackdropCopy(bool allowed);
