// The effect-file reader: layout, pixel values, block order, damaged files (which fail
// whole and leave the loaded effect alone) and damaged bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "fuzz/zfx_fuzz_one.h"
#include "zfx_text.h"

using namespace zfx_text;

namespace {

bool Parse(const std::string& text, std::vector<ZfxBlock>& blocks, std::string* error = nullptr) {
    std::string e;
    return ParseZfx(text.data(), text.size(), blocks, error ? *error : e);
}

// One value of every keyword, in file order: a value read into the wrong field shows.
std::vector<float> Fields(const ScintixParticlesFX& e) {
    return {float(e.sizeX), float(e.sizeY), float(e.black_alpha), float(e.p_limit), e.spawn_time_max,
            float(e.spawn_p_max), e.spawn_pos_max.y, e.spawn_dir_max.x, e.p_acceleration.y, e.p_rotation_max,
            float(e.p_rand_rot), e.p_speed_max, e.p_timelife_max, e.p_scale_max, e.p_color_s_max.b,
            e.p_color_e_max.b, float(e.billboarding), e.time_delay, e.total_time_simulation,
            e.store_total_time_simulation, float(e.loop)};
}

// Every run of spaces and newlines in `s` replaced by `sep`.
std::string Relayout(const std::string& s, const std::string& sep) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != ' ' && s[i] != '\n') out += s[i];
        else if (i == 0 || (s[i - 1] != ' ' && s[i - 1] != '\n')) out += sep;
    }
    return out;
}

}  // namespace

TEST(ZfxParser, ReadsEveryFieldWhateverTheLayout) {
    BlockValues v;
    v.h = 2, v.pixels = {256, 300, -1, 511, 9, 8, 7, 6};  // low 8 bits kept: 256 is 0, 300 is 44
    const std::string text = Header() + Block(v);
    std::string tight = text;  // no separator where a keyword's own text ends a number
    tight.erase(tight.find("\nspawn_particles"), 1);
    const std::vector<float> expected = {1, 2, 1, 999, 1.5f, 4, 0.5f, 0.2f, -2.5f, 30, 0,
                                         1, 3, 0.5f, 180, 60, 3, 0.25f, 4, 4, 1};
    for (const std::string& layout : {text, Relayout(text, " "), Relayout(text, "\n"),
                                      Relayout(text, " \t\r\n\n  "), text + "\n\n   \n", tight}) {
        SCOPED_TRACE(layout);
        std::vector<ZfxBlock> blocks;
        ASSERT_TRUE(Parse(layout, blocks) && blocks.size() == 1u && blocks[0].emitter.instance);
        EXPECT_EQ(Fields(blocks[0].emitter), expected);
        EXPECT_EQ(blocks[0].pixels, (std::vector<unsigned char>{0, 44, 255, 255, 9, 8, 7, 6, 0}));
    }
}

TEST(ZfxParser, BlocksBecomeEmittersInOrderWithZeroSizedTexturesAndACutLastBlock) {
    BlockValues a, b;
    a.limit = "11", a.w = 7, a.h = 0;  // a zero-sized texture reads no values
    a.pixels.clear();
    b.limit = "22", b.pixels = {1, 2, 3, 4};
    std::string cut = Block(b);
    cut.resize(cut.find("particles_speed: 0.5") + 20);  // the file ends after the first speed
    std::vector<ZfxBlock> blocks;
    ASSERT_TRUE(Parse(Header() + Block(a) + cut, blocks));
    ASSERT_EQ(blocks.size(), 2u);
    const ScintixParticlesFX &e0 = blocks[0].emitter, &e1 = blocks[1].emitter;
    EXPECT_TRUE(e0.p_limit == 11 && blocks[0].pixels.size() == 1u && e0.p_timelife_max == 3);
    EXPECT_TRUE(e1.p_limit == 22 && blocks[1].pixels[0] == 1 && e1.p_speed_min == 0.5f);
    EXPECT_EQ(e1.p_timelife_max, 0);  // never reached: default
    EXPECT_TRUE(Parse(Header(), blocks) && blocks.empty());
}

TEST(ZfxParser, DamagedFilesFailWholeAndKeepThePreviousEmitters) {
    const std::string body = Block(BlockValues{});
    auto edited = [&](const char* from, const char* to) {
        std::string b = body;
        return Header() + body + b.replace(b.find(from), std::strlen(from), to);
    };
    auto texture = [](const char* sizes) { return Header() + "texture: " + sizes + "\n1 2 3 4\nparticles_limit: 5\n"; };
    BlockValues empty_512;  // 512 values declared, none given: 40 such blocks need more than the file
    empty_512.w = 8, empty_512.h = 16;
    empty_512.pixels.clear();
    std::string many = Header();
    for (int i = 0; i < 40; ++i) many += Block(empty_512);
    const std::string cases[] = {
        " ZFX ver: 2\n" + body, "zfx ver: 2\n" + body, "ZF", "", Header(3) + body, Header(1) + body,
        "ZFX ver: two\n" + body, edited("particles_limit", "particle_limit"), edited("billboarding", "time_delayyy"),
        edited("particles_speed: 0.5", "particles_speed: fast"), Header() + body + "garbage\n",
        texture("-1 1 1"), texture("-1 -1 1"), texture("64 64 1"), texture("2147483647 2147483647 1"),
        texture("99999999999999999999 1 1"), many};
    ScintixFX fx;
    fx.FX.emplace_back().p_limit = 4242;
    for (const std::string& bad : cases) {
        SCOPED_TRACE(bad.substr(0, 120));
        std::vector<ZfxBlock> blocks;
        std::string error;
        EXPECT_TRUE(!Parse(bad, blocks, &error) && blocks.empty() && !error.empty());
        testing::internal::CaptureStderr();
        EXPECT_FALSE(fx.load_from_memory(bad.data(), bad.size(), "Data/test.zfx"));
        const std::string err = testing::internal::GetCapturedStderr();
        ASSERT_TRUE(fx.FX.size() == 1u && fx.FX.front().p_limit == 4242);
        EXPECT_TRUE(err.find("Data/test.zfx") != std::string::npos && std::count(err.begin(), err.end(), '\n') == 1)
            << err;
    }
    testing::internal::CaptureStderr();
    EXPECT_FALSE(fx.load("Data/no-such-effect.zfx"));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Data/no-such-effect.zfx"), std::string::npos);
    EXPECT_EQ(fx.FX.size(), 1u);
}

// Valid files with bytes changed or cut: FuzzOneZfx aborts on any broken promise (sizes,
// pixel counts against the file, errors, bounded frames). The fuzz corpus is replayed
// by tests/fuzz.
TEST(ZfxParser, DamagedBytesKeepTheReadersPromises) {
    std::mt19937 gen(20261206);
    const std::string valid = Header() + Block(BlockValues{}) + Block(BlockValues{});
    for (int round = 0; round < 3000; ++round) {
        std::string text = valid;
        for (int k = 0; k < 1 + static_cast<int>(gen() % 4); ++k) {
            const size_t at = gen() % text.size();
            if (gen() % 4) text[at] = static_cast<char>(gen() % 2 ? gen() % 256 : "0123456789 -.\n"[gen() % 14]);
            else text.resize(at + 1);
        }
        FuzzOneZfx(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    }
}
