// libFuzzer target for the window-icon reader: a raw texture as the program reads
// Data/icon (parsed, at most 256 pixels a side) turned into _NET_WM_ICON's content of
// exactly width, height and one value per pixel, top row first, 0xAARRGGBB.
#include "engine/textures.h"
#include "fuzz/fuzz.h"
#include "platform/window_icon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RawTexture icon;
    std::string error;
    if (!ParseRawTexture(data, size, icon, error) || icon.w > 256 || icon.h > 256) return 0;
    const std::vector<unsigned long> values = NetWmIconData(icon.pixels.data(), icon.w, icon.h);
    Require(values.size() == 2 + size_t(icon.w) * size_t(icon.h) && values[0] == unsigned(icon.w) &&
            values[1] == unsigned(icon.h));
    const unsigned char* top_left = icon.pixels.data() + size_t(icon.h - 1) * size_t(icon.w) * 4;
    Require(values[2] == ((unsigned long)top_left[3] << 24 | (unsigned long)top_left[0] << 16 |
                          (unsigned long)top_left[1] << 8 | top_left[2]));
    return 0;
}
