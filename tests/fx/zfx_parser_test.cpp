// The effect-file reader: layout freedom, header checks, pixel values, block order,
// files cut short and damaged files (which must fail without crashing or hanging).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "fx/scintix.h"
#include "fx/zfx_parser.h"
#include "zfx_text.h"

using zfx_text::Block;
using zfx_text::BlockValues;
using zfx_text::Header;

namespace {

bool Parse(const std::string& text, std::vector<ZfxBlock>& blocks, std::string* error = nullptr) {
    std::string e;
    bool ok = ParseZfx(text.data(), text.size(), blocks, e);
    if (error) *error = e;
    return ok;
}

// Every field a file fills, compared one by one.
void ExpectSameEmitter(const ZfxBlock& a, const ZfxBlock& b) {
    const ScintixParticlesFX& x = a.emitter;
    const ScintixParticlesFX& y = b.emitter;
    EXPECT_EQ(a.pixels, b.pixels);
    EXPECT_EQ(x.sizeX, y.sizeX);
    EXPECT_EQ(x.sizeY, y.sizeY);
    EXPECT_EQ(x.black_alpha, y.black_alpha);
    EXPECT_EQ(x.p_limit, y.p_limit);
    EXPECT_EQ(x.spawn_time_min, y.spawn_time_min);
    EXPECT_EQ(x.spawn_time_max, y.spawn_time_max);
    EXPECT_EQ(x.spawn_p_min, y.spawn_p_min);
    EXPECT_EQ(x.spawn_p_max, y.spawn_p_max);
    for (auto v : {&ScintixParticlesFX::spawn_pos_min, &ScintixParticlesFX::spawn_pos_max,
                   &ScintixParticlesFX::spawn_dir_min, &ScintixParticlesFX::spawn_dir_max,
                   &ScintixParticlesFX::p_acceleration}) {
        EXPECT_EQ((x.*v).x, (y.*v).x);
        EXPECT_EQ((x.*v).y, (y.*v).y);
        EXPECT_EQ((x.*v).z, (y.*v).z);
    }
    for (auto c : {&ScintixParticlesFX::p_color_s_min, &ScintixParticlesFX::p_color_s_max,
                   &ScintixParticlesFX::p_color_e_min, &ScintixParticlesFX::p_color_e_max}) {
        EXPECT_EQ((x.*c).r, (y.*c).r);
        EXPECT_EQ((x.*c).g, (y.*c).g);
        EXPECT_EQ((x.*c).b, (y.*c).b);
    }
    EXPECT_EQ(x.p_rotation_min, y.p_rotation_min);
    EXPECT_EQ(x.p_rotation_max, y.p_rotation_max);
    EXPECT_EQ(x.p_rand_rot, y.p_rand_rot);
    EXPECT_EQ(x.p_speed_min, y.p_speed_min);
    EXPECT_EQ(x.p_speed_max, y.p_speed_max);
    EXPECT_EQ(x.p_timelife_min, y.p_timelife_min);
    EXPECT_EQ(x.p_timelife_max, y.p_timelife_max);
    EXPECT_EQ(x.p_scale_min, y.p_scale_min);
    EXPECT_EQ(x.p_scale_max, y.p_scale_max);
    EXPECT_EQ(x.billboarding, y.billboarding);
    EXPECT_EQ(x.time_delay, y.time_delay);
    EXPECT_EQ(x.total_time_simulation, y.total_time_simulation);
    EXPECT_EQ(x.store_total_time_simulation, y.store_total_time_simulation);
    EXPECT_EQ(x.loop, y.loop);
    EXPECT_EQ(x.instance, y.instance);
}

// Rewrites every run of white space in `s` with `sep`.
std::string Relayout(const std::string& s, const std::string& sep) {
    std::string out;
    bool in_space = false;
    for (char c : s) {
        if (c == ' ' || c == '\n') {
            if (!in_space) out += sep;
            in_space = true;
        } else {
            out += c;
            in_space = false;
        }
    }
    return out;
}

}  // namespace

TEST(ZfxParser, ReadsEveryFieldOfABlock) {
    BlockValues v;
    v.w = 2;
    v.pixels = {1, 2, 3, 4, 5, 6, 7, 8};
    std::vector<ZfxBlock> blocks;
    ASSERT_TRUE(Parse(Header() + Block(v), blocks));
    ASSERT_EQ(blocks.size(), 1u);
    const ScintixParticlesFX& e = blocks[0].emitter;
    EXPECT_EQ(e.sizeX, 2);
    EXPECT_EQ(e.sizeY, 1);
    EXPECT_EQ(e.black_alpha, 1);
    EXPECT_EQ(blocks[0].pixels, (std::vector<unsigned char>{1, 2, 3, 4, 5, 6, 7, 8, 0}));
    EXPECT_EQ(e.p_limit, 999);
    EXPECT_FLOAT_EQ(e.spawn_time_min, 0.5f);
    EXPECT_FLOAT_EQ(e.spawn_time_max, 1.5f);
    EXPECT_EQ(e.spawn_p_min, 2);
    EXPECT_EQ(e.spawn_p_max, 4);
    EXPECT_FLOAT_EQ(e.spawn_pos_min.x, -1);
    EXPECT_FLOAT_EQ(e.spawn_pos_max.y, 0.5f);
    EXPECT_FLOAT_EQ(e.spawn_dir_max.x, 0.2f);
    EXPECT_FLOAT_EQ(e.p_acceleration.y, -2.5f);
    EXPECT_FLOAT_EQ(e.p_rotation_min, -30);
    EXPECT_FLOAT_EQ(e.p_speed_max, 1);
    EXPECT_FLOAT_EQ(e.p_timelife_min, 2);
    EXPECT_FLOAT_EQ(e.p_scale_max, 0.5f);
    EXPECT_FLOAT_EQ(e.p_color_s_min.g, 250);
    EXPECT_FLOAT_EQ(e.p_color_s_max.b, 180);
    EXPECT_FLOAT_EQ(e.p_color_e_min.r, 10);
    EXPECT_FLOAT_EQ(e.p_color_e_max.g, 50);
    EXPECT_EQ(e.billboarding, 3);
    EXPECT_FLOAT_EQ(e.time_delay, 0.25f);
    EXPECT_FLOAT_EQ(e.total_time_simulation, 4);
    EXPECT_FLOAT_EQ(e.store_total_time_simulation, 4);
    EXPECT_EQ(e.loop, 1);
    EXPECT_TRUE(e.instance);
    EXPECT_TRUE(e.first_spawn);
    EXPECT_TRUE(e.particles.empty());
    EXPECT_EQ(e.p_texture, 0u);
}

TEST(ZfxParser, LayoutIsFree) {
    BlockValues v;
    v.h = 2;
    v.pixels = {9, 8, 7, 6, 5, 4, 3, 2};
    const std::string canonical = Header() + Block(v);
    std::vector<ZfxBlock> reference;
    ASSERT_TRUE(Parse(canonical, reference));
    ASSERT_EQ(reference.size(), 1u);

    for (const std::string& layout : {Relayout(canonical, " "), Relayout(canonical, "\n"),
                                      Relayout(canonical, " \t\r\n\n  "), canonical + "\n\n   \n"}) {
        SCOPED_TRACE(layout);
        std::vector<ZfxBlock> blocks;
        ASSERT_TRUE(Parse(layout, blocks));
        ASSERT_EQ(blocks.size(), 1u);
        ExpectSameEmitter(blocks[0], reference[0]);
    }
    // No separator is needed where a keyword's own text ends a number.
    std::string tight = canonical;
    tight.replace(tight.find("\nspawn_particles"), 1, "");  // "1.5spawn_particles:"
    std::vector<ZfxBlock> blocks;
    ASSERT_TRUE(Parse(tight, blocks));
    ExpectSameEmitter(blocks.at(0), reference[0]);
}

TEST(ZfxParser, PixelValuesKeepTheirLowEightBits) {
    BlockValues v;
    v.pixels = {256, 300, -1, 511};
    std::vector<ZfxBlock> blocks;
    ASSERT_TRUE(Parse(Header() + Block(v), blocks));
    EXPECT_EQ(blocks.at(0).pixels, (std::vector<unsigned char>{0, 44, 255, 255, 0}));
}

TEST(ZfxParser, MissingPixelValuesBeforeTheKeywordsReadAsZero) {
    BlockValues v;
    v.w = 2;
    v.pixels = {10, 20, 30, 40, 50};  // 8 declared
    std::vector<ZfxBlock> blocks;
    ASSERT_TRUE(Parse(Header() + Block(v), blocks));
    EXPECT_EQ(blocks.at(0).pixels, (std::vector<unsigned char>{10, 20, 30, 40, 50, 0, 0, 0, 0}));
    EXPECT_EQ(blocks[0].emitter.p_limit, 999);
}

TEST(ZfxParser, ZeroSizedTextureReadsNoValues) {
    for (auto [w, h] : {std::pair{0, 0}, std::pair{0, 5}, std::pair{7, 0}}) {
        BlockValues v;
        v.w = w;
        v.h = h;
        v.pixels.clear();
        v.limit = "12";
        std::vector<ZfxBlock> blocks;
        ASSERT_TRUE(Parse(Header() + Block(v), blocks));
        ASSERT_EQ(blocks.size(), 1u);
        EXPECT_EQ(blocks[0].emitter.sizeX, w);
        EXPECT_EQ(blocks[0].emitter.sizeY, h);
        EXPECT_EQ(blocks[0].pixels.size(), 1u);
        EXPECT_EQ(blocks[0].emitter.p_limit, 12);
    }
}

TEST(ZfxParser, BlocksBecomeEmittersInFileOrder) {
    BlockValues a, b;
    a.limit = "11";
    a.black_alpha = 0;
    b.limit = "22";
    b.pixels = {1, 2, 3, 4};
    std::vector<ZfxBlock> blocks;
    ASSERT_TRUE(Parse(Header() + Block(a) + Block(b), blocks));
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].emitter.p_limit, 11);
    EXPECT_EQ(blocks[0].emitter.black_alpha, 0);
    EXPECT_EQ(blocks[1].emitter.p_limit, 22);
    EXPECT_EQ(blocks[1].pixels[0], 1);
}

TEST(ZfxParser, HeaderAloneGivesNoEmitters) {
    std::vector<ZfxBlock> blocks;
    EXPECT_TRUE(Parse("ZFX ver: 2\n", blocks));
    EXPECT_TRUE(Parse("ZFX\nver:2", blocks));
    EXPECT_TRUE(blocks.empty());
}

TEST(ZfxParser, MagicMustBeTheFirstThreeBytesAndVersionTwo) {
    const std::string body = Block(BlockValues{});
    for (const std::string& bad : std::vector<std::string>{" ZFX ver: 2\n" + body, "\xEF\xBB\xBFZFX ver: 2\n" + body, "zfx ver: 2\n" + body,
                                   std::string("ZF"), std::string(""), Header(3) + body, Header(1) + body,
                                   "ZFX version: 2\n" + body, "ZFX ver: two\n" + body}) {
        SCOPED_TRACE(bad);
        std::vector<ZfxBlock> blocks;
        std::string error;
        EXPECT_FALSE(Parse(bad, blocks, &error));
        EXPECT_TRUE(blocks.empty());
        EXPECT_FALSE(error.empty());
    }
}

TEST(ZfxParser, BlockCutShortKeepsWhatWasRead) {
    BlockValues v;
    v.limit = "7";
    v.spawn_particles = "3 5";
    const std::string full = Header() + Block(v);
    // Cut after the first number of "particles_speed": that value stays, the rest defaults.
    const std::string cut = full.substr(0, full.find("particles_speed: 0.5") + 20);
    std::vector<ZfxBlock> blocks;
    ASSERT_TRUE(Parse(cut, blocks));
    ASSERT_EQ(blocks.size(), 1u);
    const ScintixParticlesFX& e = blocks[0].emitter;
    EXPECT_TRUE(e.instance);
    EXPECT_EQ(e.p_limit, 7);
    EXPECT_EQ(e.spawn_p_max, 5);
    EXPECT_FLOAT_EQ(e.p_speed_min, 0.5f);
    EXPECT_FLOAT_EQ(e.p_speed_max, 0);
    EXPECT_FLOAT_EQ(e.p_timelife_max, 0);
    EXPECT_FLOAT_EQ(e.p_scale_min, 1);
    EXPECT_EQ(e.loop, 1);
    EXPECT_EQ(e.billboarding, 3);

    // A second block cut inside its keywords still follows a whole first one.
    const std::string two = full + cut.substr(Header().size());
    ASSERT_TRUE(Parse(two, blocks));
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_FLOAT_EQ(blocks[0].emitter.p_timelife_max, 3);
    EXPECT_FLOAT_EQ(blocks[1].emitter.p_timelife_max, 0);
}

TEST(ZfxParser, DamagedBlocksFailTheWholeFile) {
    BlockValues good;
    const std::string first = Header() + Block(good);
    auto with_texture = [](const std::string& sizes) {
        return "texture: " + sizes + "\n1 2 3 4\nparticles_limit: 5\n";
    };
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"misspelt keyword", first + [] {
             std::string b = Block(BlockValues{});
             b.replace(b.find("particles_limit"), 15, "particle_limit");
             return b;
         }()},
        {"keyword out of order", first + [] {
             std::string b = Block(BlockValues{});
             b.replace(b.find("billboarding"), 12, "time_delayyy");
             return b;
         }()},
        {"text after the last block", first + "garbage\n"},
        {"a word for a number", first + [] {
             BlockValues v;
             v.speed = "fast 1";
             return Block(v);
         }()},
        {"negative width", Header() + with_texture("-1 1 1")},
        {"negative both", Header() + with_texture("-1 -1 1")},
        {"more pixels than bytes", Header() + with_texture("64 64 1")},
        {"pixel count past 64 bits", Header() + with_texture("2147483647 2147483647 1")},
        {"size saturating to -1", Header() + with_texture("99999999999999999999 1 1")},
    };
    for (const auto& [what, text] : cases) {
        SCOPED_TRACE(what);
        std::vector<ZfxBlock> blocks;
        std::string error;
        EXPECT_FALSE(Parse(text, blocks, &error));
        EXPECT_TRUE(blocks.empty());
        EXPECT_FALSE(error.empty());
    }
}

// Pixel values may fill at most the bytes that follow them, over all blocks together:
// many blocks that each declare a texture but hold no values can't multiply memory.
TEST(ZfxParser, DeclaredPixelsAreBoundedByTheWholeFile) {
    std::string text = Header();
    BlockValues v;
    v.w = 8;
    v.h = 16;  // 512 values declared, none given
    v.pixels.clear();
    for (int i = 0; i < 40; ++i) text += Block(v);
    std::vector<ZfxBlock> blocks;
    std::string error;
    bool ok = Parse(text, blocks, &error);
    size_t total = 0;
    for (const ZfxBlock& b : blocks) total += b.pixels.size() - 1;
    EXPECT_LE(total, text.size());
    EXPECT_FALSE(ok) << "40 blocks of 512 declared values need more than " << text.size() << " bytes";
    EXPECT_NE(error.find("larger than the file"), std::string::npos) << error;
}

TEST(ZfxParser, RandomBytesNeverBreakTheReader) {
    std::mt19937 gen(20261206);
    const std::string valid = Header() + Block(BlockValues{}) + Block(BlockValues{});
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        if (round % 2 == 0) {
            // Pure noise, sometimes behind a good header.
            size_t n = gen() % 600;
            for (size_t i = 0; i < n; ++i) text += static_cast<char>(gen() % 256);
            if (round % 4 == 0) text = Header() + text;
        } else {
            // A valid file with a few bytes changed, inserted or cut.
            text = valid;
            for (int k = 0; k < 1 + static_cast<int>(gen() % 4); ++k) {
                size_t at = gen() % text.size();
                switch (gen() % 3) {
                    case 0: text[at] = static_cast<char>(gen() % 256); break;
                    case 1: text.insert(at, 1, "0123456789 -.\n"[gen() % 14]); break;
                    default: text.resize(at + 3 < text.size() ? at + 3 : text.size()); break;
                }
            }
        }
        std::vector<ZfxBlock> blocks;
        std::string error;
        if (ParseZfx(text.data(), text.size(), blocks, error)) {
            for (const ZfxBlock& b : blocks) {
                ASSERT_GE(b.emitter.sizeX, 0);
                ASSERT_GE(b.emitter.sizeY, 0);
                ASSERT_EQ(b.pixels.size(), size_t(b.emitter.sizeX) * size_t(b.emitter.sizeY) * 4 + 1);
                ASSERT_LE(b.pixels.size(), text.size() + 1);
                ASSERT_TRUE(b.emitter.instance);
            }
        } else {
            ASSERT_TRUE(blocks.empty());
            ASSERT_FALSE(error.empty());
        }
    }
}

TEST(ZfxLoad, FailedLoadKeepsThePreviousEmittersAndNamesTheFile) {
    ScintixFX fx;
    ScintixParticlesFX marker;
    marker.p_limit = 4242;
    fx.FX.push_back(marker);
    const std::string body = Block(BlockValues{});
    for (const std::string& bad : {Header(3) + body, "XFZ ver: 2\n" + body, Header() + body + "junk"}) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(fx.load_from_memory(bad.data(), bad.size(), "Data/test.zfx"));
        const std::string err = testing::internal::GetCapturedStderr();
        ASSERT_EQ(fx.FX.size(), 1u);
        EXPECT_EQ(fx.FX.front().p_limit, 4242);
        EXPECT_NE(err.find("Data/test.zfx"), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
    testing::internal::CaptureStderr();
    EXPECT_FALSE(fx.load("Data/no-such-effect.zfx"));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Data/no-such-effect.zfx"), std::string::npos) << err;
    EXPECT_EQ(fx.FX.size(), 1u);
}
