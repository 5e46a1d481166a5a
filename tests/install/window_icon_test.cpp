// The window icon: the _NET_WM_ICON layout made from a raw picture, and the icon the
// build ships in Data/ seen through it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/textures.h"
#include "platform/window_icon.h"

TEST(NetWmIcon, SizesThenArgbTopRowFirstAndTheShippedOwlUpright) {
    // 3 wide, 2 high, bottom row first: bottom-left red, top-left blue, top-right green at alpha 128.
    const unsigned char rgba[] = {255, 0, 0, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 255, 0, 0, 0, 0, 0, 255, 0, 128};
    EXPECT_EQ(NetWmIconData(rgba, 3, 2), (std::vector<unsigned long>{3, 2, 0xFF0000FF, 0, 0x8000FF00, 0xFFFF0000, 0, 0}));
    EXPECT_TRUE(NetWmIconData(rgba, 0, 2).empty() && NetWmIconData(rgba, 3, -1).empty());

    RawTexture icon;
    std::string error;
    ASSERT_TRUE(ReadRawTexture((std::string(STRIGOLO_DATA_DIR) + "/icon").c_str(), icon, error)) << error;
    ASSERT_TRUE(icon.w == 48 && icon.h == 48);
    const std::vector<unsigned long> d = NetWmIconData(icon.pixels.data(), 48, 48);
    auto at = [&](int x, int y) { return d[2 + size_t(y) * 48 + size_t(x)]; };  // y down from the top
    for (unsigned long corner : {at(0, 0), at(47, 0), at(0, 47), at(47, 47)}) EXPECT_EQ(corner >> 24, 0u);
    // Opaque white eyes over an opaque orange beak (red high, blue low).
    for (unsigned long eye : {at(14, 24), at(33, 24)}) EXPECT_EQ(eye & 0xFFE0E0E0ul, 0xFFE0E0E0ul) << std::hex << eye;
    EXPECT_TRUE(at(24, 35) >> 24 == 255 && (at(24, 35) >> 16 & 0xff) > 200 && (at(24, 35) & 0xff) < 120);
}
