// The window icon: the _NET_WM_ICON layout made from a raw picture, the icon file
// reader's limits, and the icon the build ships in Data/.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/textures.h"
#include "raw_texture_bytes.h"
#include "platform/window_icon.h"

namespace {
std::vector<unsigned char> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
}  // namespace

TEST(NetWmIconData, SizesThenArgbTopRowFirst) {
    // 2 by 2, bottom row first: bottom-left red, bottom-right green (half
    // transparent), top-left blue, top-right white (fully transparent).
    const unsigned char rgba[] = {255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 255, 255, 255, 255, 0};
    const std::vector<unsigned long> d = NetWmIconData(rgba, 2, 2);
    ASSERT_EQ(d.size(), 6u);
    EXPECT_EQ(d[0], 2u);
    EXPECT_EQ(d[1], 2u);
    EXPECT_EQ(d[2], 0xFF0000FFul);  // top-left: blue
    EXPECT_EQ(d[3], 0x00FFFFFFul);  // top-right: white, alpha 0
    EXPECT_EQ(d[4], 0xFFFF0000ul);  // bottom-left: red
    EXPECT_EQ(d[5], 0x8000FF00ul);  // bottom-right: green at alpha 128
}

TEST(NetWmIconData, NonSquareKeepsRowLengthAndNothingForEmptySides) {
    std::vector<unsigned char> rgba(3 * 2 * 4, 0);
    rgba[(1 * 3 + 2) * 4 + 3] = 7;  // the top row's last pixel (file row 1)
    const std::vector<unsigned long> d = NetWmIconData(rgba.data(), 3, 2);
    ASSERT_EQ(d.size(), 2u + 6u);
    EXPECT_EQ(d[0], 3u);
    EXPECT_EQ(d[1], 2u);
    EXPECT_EQ(d[2 + 2], 0x07000000ul);
    EXPECT_TRUE(NetWmIconData(rgba.data(), 0, 2).empty());
    EXPECT_TRUE(NetWmIconData(rgba.data(), 3, -1).empty());
}

TEST(ParseWindowIcon, ReadsPixelsAndRefusesShortOrOversizedFiles) {
    WindowIconPicture icon;
    std::string error;
    auto file = Header(1, 2);
    const unsigned char px[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};  // one trailing byte
    file.insert(file.end(), px, px + sizeof px);
    ASSERT_TRUE(ParseWindowIcon(file.data(), file.size(), icon, error)) << error;
    EXPECT_EQ(icon.w, 1);
    EXPECT_EQ(icon.h, 2);
    EXPECT_EQ(icon.rgba, std::vector<unsigned char>(px, px + 8));

    EXPECT_FALSE(ParseWindowIcon(file.data(), 7, icon, error));  // header cut
    EXPECT_FALSE(ParseWindowIcon(file.data(), 15, icon, error));  // one pixel byte short
    EXPECT_NE(error.find("7 of its 8"), std::string::npos) << error;

    // Sizes that would address more than the file holds, or far more than an icon.
    for (auto wh : {std::pair<int32_t, int32_t>{0, 2}, {-1, 2}, {2, -1}, {kMaxWindowIconSide + 1, 1},
                    {0x7fffffff, 0x7fffffff}}) {
        auto big = Header(wh.first, wh.second);
        big.resize(64, 0);
        EXPECT_FALSE(ParseWindowIcon(big.data(), big.size(), icon, error)) << wh.first << "x" << wh.second;
    }
}

TEST(ShippedWindowIcon, IsAnOwlOnTransparentCornersReadTheSameByBothReaders) {
    const std::vector<unsigned char> file = ReadFile(std::string(STRIGOLO_DATA_DIR) + "/icon");
    ASSERT_FALSE(file.empty()) << "Data/icon was not built";
    WindowIconPicture icon;
    std::string error;
    ASSERT_TRUE(ParseWindowIcon(file.data(), file.size(), icon, error)) << error;
    EXPECT_EQ(icon.w, 48);
    EXPECT_EQ(icon.h, 48);
    RawTexture texture;
    ASSERT_TRUE(ParseRawTexture(file.data(), file.size(), texture, error)) << error;
    EXPECT_EQ(texture.pixels, icon.rgba);

    const std::vector<unsigned long> d = NetWmIconData(icon.rgba.data(), icon.w, icon.h);
    auto at = [&](int x, int y) { return d[2 + size_t(y) * 48 + size_t(x)]; };  // y down from the top
    for (auto corner : {at(0, 0), at(47, 0), at(0, 47), at(47, 47)}) EXPECT_EQ(corner >> 24, 0u);
    // Eyes white and opaque, the beak between and below them orange, the crown under
    // the tufts brown (red well above blue).
    auto rgb = [](unsigned long v, int shift) { return (v >> shift) & 0xff; };
    for (unsigned long eye : {at(14, 24), at(33, 24)}) {
        EXPECT_EQ(eye >> 24, 255u);
        EXPECT_GT(rgb(eye, 0), 230u);  // blue: near white
    }
    const unsigned long beak = at(24, 35);
    EXPECT_EQ(beak >> 24, 255u);
    EXPECT_GT(rgb(beak, 16), 200u);
    EXPECT_LT(rgb(beak, 0), 120u);
    const unsigned long crown = at(24, 10);
    EXPECT_EQ(crown >> 24, 255u);
    EXPECT_GT(rgb(crown, 16), rgb(crown, 0) + 30);
}
