// The window icon: the _NET_WM_ICON layout made from a raw picture, and the icon the
// build ships in Data/.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/textures.h"
#include "platform/window_icon.h"

TEST(NetWmIconData, SizesThenArgbTopRowFirstAndNothingForEmptySides) {
    // 3 wide, 2 high, bottom row first: bottom-left red, top-left blue, top-right green at alpha 128.
    const unsigned char rgba[] = {255, 0, 0, 255, 0, 0, 0, 0, 0, 0, 0, 0,
                                  0, 0, 255, 255, 0, 0, 0, 0, 0, 255, 0, 128};
    const std::vector<unsigned long> d = NetWmIconData(rgba, 3, 2);
    ASSERT_EQ(d.size(), 2u + 6u);
    EXPECT_EQ(d[0], 3u);
    EXPECT_EQ(d[1], 2u);
    EXPECT_EQ(d[2], 0xFF0000FFul);
    EXPECT_EQ(d[4], 0x8000FF00ul);
    EXPECT_EQ(d[5], 0xFFFF0000ul);
    EXPECT_TRUE(NetWmIconData(rgba, 0, 2).empty());
    EXPECT_TRUE(NetWmIconData(rgba, 3, -1).empty());
}

TEST(ShippedWindowIcon, IsAnUprightOwlOnTransparentCorners) {
    RawTexture icon;
    std::string error;
    ASSERT_TRUE(ReadRawTexture((std::string(STRIGOLO_DATA_DIR) + "/icon").c_str(), icon, error)) << error;
    ASSERT_EQ(std::make_pair(icon.w, icon.h), std::make_pair(48, 48));
    const std::vector<unsigned long> d = NetWmIconData(icon.pixels.data(), icon.w, icon.h);
    auto at = [&](int x, int y) { return d[2 + size_t(y) * 48 + size_t(x)]; };  // y down from the top
    for (unsigned long corner : {at(0, 0), at(47, 0), at(0, 47), at(47, 47)}) EXPECT_EQ(corner >> 24, 0u);
    // Opaque white eyes over an orange beak (red high, blue low).
    for (unsigned long eye : {at(14, 24), at(33, 24)}) EXPECT_EQ(eye & 0xFFE0E0E0ul, 0xFFE0E0E0ul) << std::hex << eye;
    const unsigned long beak = at(24, 35);
    EXPECT_EQ(beak >> 24, 255u);
    EXPECT_GT((beak >> 16) & 0xff, 200u);
    EXPECT_LT(beak & 0xff, 120u);
}
