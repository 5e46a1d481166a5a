// png2raw: converts a PNG picture into the program's raw texture file:
// width and height as little-endian 32-bit integers, then straight RGBA bytes,
// bottom row first (the row that GL places at v = 0). With a window size it appends
// the picture's placement (engine/textures.h: "PLAC", the whole picture's width and
// height, where the stored texels start in it, the window size in pixels they are
// made for); with --crop it stores only the texels that show anything, with one
// clear texel around them for linear filtering.
#include <png.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

static void put_le32(std::FILE* f, int32_t v) {
    unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                          static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    std::fwrite(b, 1, 4, f);
}

int main(int argc, char** argv) {
    const bool crop = argc == 5 && std::string(argv[4]) == "--crop";
    if (argc != 3 && argc != 4 && !crop) {
        std::fprintf(stderr, "usage: png2raw input.png output [window-pixels [--crop]]\n");
        return 2;
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, argv[1])) {
        std::fprintf(stderr, "png2raw: %s: %s\n", argv[1], image.message);
        return 1;
    }
    image.format = PNG_FORMAT_RGBA;  // straight (not premultiplied) alpha
    std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(image));
    const int32_t stride = static_cast<int32_t>(PNG_IMAGE_ROW_STRIDE(image));
    // A negative stride makes libpng store the image bottom-up: its last row first.
    if (!png_image_finish_read(&image, nullptr, pixels.data(), -stride, nullptr)) {
        std::fprintf(stderr, "png2raw: %s: %s\n", argv[1], image.message);
        return 1;
    }
    std::FILE* out = std::fopen(argv[2], "wb");
    if (!out) {
        std::perror(argv[2]);
        return 1;
    }
    const int32_t w = static_cast<int32_t>(image.width), h = static_cast<int32_t>(image.height);
    int32_t x0 = 0, y0 = 0, x1 = w, y1 = h;  // the stored rectangle, bottom row first
    if (crop) {
        x0 = w, y0 = h, x1 = 0, y1 = 0;
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                if (pixels[(size_t(y) * w + x) * 4 + 3] != 0)
                    x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x + 1), y1 = std::max(y1, y + 1);
        if (x1 == 0) x0 = y0 = 0, x1 = y1 = 1;  // nothing shows: one clear texel
        x0 = std::max(0, x0 - 1), y0 = std::max(0, y0 - 1), x1 = std::min(w, x1 + 1), y1 = std::min(h, y1 + 1);
    }
    put_le32(out, x1 - x0);
    put_le32(out, y1 - y0);
    for (int32_t y = y0; y < y1; ++y) std::fwrite(&pixels[(size_t(y) * w + x0) * 4], 4, size_t(x1 - x0), out);
    if (argc >= 4) {
        std::fwrite("PLAC", 1, 4, out);
        for (int32_t v : {w, h, x0, y0, static_cast<int32_t>(std::atoi(argv[3]))}) put_le32(out, v);
    }
    if (std::fclose(out) != 0) {
        std::perror(argv[2]);
        return 1;
    }
    return 0;
}
