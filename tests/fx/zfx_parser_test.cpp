// The effect-file reader: layout, pixel values, block order, damaged files (which fail
// whole and leave the loaded effect alone), random bytes and the fuzz corpus replayed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "fuzz/zfx_fuzz_one.h"
#include "zfx_text.h"

using namespace zfx_text;

namespace {

bool Parse(const std::string& text, std::vector<ZfxBlock>& blocks, std::string* error = nullptr) {
    std::string e;
    const bool ok = ParseZfx(text.data(), text.size(), blocks, e);
    if (error) *error = e;
    return ok;
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
    v.h = 2;
    v.pixels = {256, 300, -1, 511, 9, 8, 7, 6};  // low 8 bits kept: 256 is 0, 300 is 44
    const std::string text = Header() + Block(v);
    std::string tight = text;  // no separator where a keyword's own text ends a number
    tight.erase(tight.find("\nspawn_particles"), 1);
    const std::vector<float> expected = {1, 2, 1, 999, 1.5f, 4, 0.5f, 0.2f, -2.5f, 30, 0,
                                         1, 3, 0.5f, 180, 60, 3, 0.25f, 4, 4, 1};
    for (const std::string& layout : {text, Relayout(text, " "), Relayout(text, "\n"),
                                      Relayout(text, " \t\r\n\n  "), text + "\n\n   \n", tight}) {
        SCOPED_TRACE(layout);
        std::vector<ZfxBlock> blocks;
        ASSERT_TRUE(Parse(layout, blocks));
        ASSERT_EQ(blocks.size(), 1u);
        EXPECT_EQ(Fields(blocks[0].emitter), expected);
        EXPECT_EQ(blocks[0].pixels, (std::vector<unsigned char>{0, 44, 255, 255, 9, 8, 7, 6, 0}));
        EXPECT_TRUE(blocks[0].emitter.instance);
    }
}

TEST(ZfxParser, BlocksBecomeEmittersInOrderWithZeroSizedTexturesAndACutLastBlock) {
    BlockValues a, b;
    a.limit = "11";
    a.w = 7;
    a.h = 0;  // a zero-sized texture reads no values
    a.pixels.clear();
    b.limit = "22";
    b.pixels = {1, 2, 3, 4};
    std::string cut = Block(b);
    cut.resize(cut.find("particles_speed: 0.5") + 20);  // the file ends after the first speed
    std::vector<ZfxBlock> blocks;
    ASSERT_TRUE(Parse(Header() + Block(a) + cut, blocks));
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].emitter.p_limit, 11);
    EXPECT_EQ(blocks[0].pixels.size(), 1u);
    EXPECT_FLOAT_EQ(blocks[0].emitter.p_timelife_max, 3);
    EXPECT_EQ(blocks[1].emitter.p_limit, 22);
    EXPECT_EQ(blocks[1].pixels[0], 1);
    EXPECT_FLOAT_EQ(blocks[1].emitter.p_speed_min, 0.5f);
    EXPECT_FLOAT_EQ(blocks[1].emitter.p_timelife_max, 0);  // never reached: default
    ASSERT_TRUE(Parse(Header(), blocks));
    EXPECT_TRUE(blocks.empty());
}

TEST(ZfxParser, DamagedFilesFailWholeAndKeepThePreviousEmitters) {
    const std::string body = Block(BlockValues{});
    auto edited = [&](const char* from, const char* to) {
        std::string b = body;
        return Header() + body + b.replace(b.find(from), std::strlen(from), to);
    };
    auto texture = [](const char* sizes) { return Header() + "texture: " + sizes + "\n1 2 3 4\nparticles_limit: 5\n"; };
    BlockValues empty_512;  // 512 values declared, none given: 40 such blocks need more than the file
    empty_512.w = 8;
    empty_512.h = 16;
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
        EXPECT_FALSE(Parse(bad, blocks, &error));
        EXPECT_TRUE(blocks.empty());
        EXPECT_FALSE(error.empty());
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
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Data/no-such-effect.zfx"), std::string::npos);
    EXPECT_EQ(fx.FX.size(), 1u);
}

// Noise and valid files with bytes changed, inserted or cut: FuzzOneZfx aborts on any
// broken promise (sizes, pixel counts against the file, errors, bounded frames).
TEST(ZfxParser, RandomBytesNeverBreakTheReader) {
    std::mt19937 gen(20261206);
    const std::string valid = Header() + Block(BlockValues{}) + Block(BlockValues{});
    for (int round = 0; round < 3000; ++round) {
        std::string text = round % 2 ? valid : round % 4 ? "" : Header();
        if (round % 2 == 0) {
            for (size_t i = 0, n = gen() % 600; i < n; ++i) text += static_cast<char>(gen() % 256);
        } else {
            for (int k = 0; k < 1 + static_cast<int>(gen() % 4); ++k) {
                const size_t at = gen() % text.size();
                switch (gen() % 3) {
                    case 0: text[at] = static_cast<char>(gen() % 256); break;
                    case 1: text.insert(at, 1, "0123456789 -.\n"[gen() % 14]); break;
                    default: text.resize(std::min(at + 3, text.size()));
                }
            }
        }
        FuzzOneZfx(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    }
}

TEST(ZfxParser, FuzzCorpusKeepsTheReadersPromises) {
    const std::filesystem::path dir = std::filesystem::path(STRIGOLO_SOURCE_DIR) / "fuzz" / "corpus";
    int inputs = 0, loaded = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        SCOPED_TRACE(entry.path().string());
        FuzzOneZfx(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        std::vector<ZfxBlock> blocks;
        loaded += Parse(bytes, blocks);
        ++inputs;
    }
    EXPECT_GE(inputs, 10);  // the hand-written seeds at least, good and damaged
    EXPECT_GT(loaded, 0);
    EXPECT_LT(loaded, inputs);
}
