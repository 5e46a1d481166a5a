// png2raw: converts a PNG picture into the program's raw texture file:
// width and height as little-endian 32-bit integers, then straight RGBA bytes,
// bottom row first (the row that GL places at v = 0).
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <vector>

static void put_le32(std::FILE* f, int32_t v) {
    unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                          static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    std::fwrite(b, 1, 4, f);
}

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: png2raw input.png output\n");
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
    put_le32(out, static_cast<int32_t>(image.width));
    put_le32(out, static_cast<int32_t>(image.height));
    std::fwrite(pixels.data(), 1, pixels.size(), out);
    if (std::fclose(out) != 0) {
        std::perror(argv[2]);
        return 1;
    }
    return 0;
}
