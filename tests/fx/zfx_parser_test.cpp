// The effect-file reader: layout, pixel values, block order, and damaged files, which
// fail whole and leave the loaded effect alone. Damaged bytes: the zfx fuzz corpus.
#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "fx/scintix.h"
#include "fx/zfx_parser.h"

static std::string Header(int version = 2) { return "ZFX ver: " + std::to_string(version) + "\n"; }

// One block as the shipped files write it, a keyword a line: "texture: " and `texture`
// (width, height, blending, then the pixel values), then every keyword with the value
// here unless `set` gives another.
static std::string Block(const std::map<std::string, std::string>& set = {},
                         const std::string& texture = "1 1 1\n255 255 255 255") {
    static const std::pair<std::string, std::string> keys[] = {
        {"particles_limit", "999"}, {"spawn_time", "0.5 1.5"}, {"spawn_particles", "2 4"},
        {"spawn_position", "-1 0 0 1 0.5 0"}, {"spawn_direction", "0 1 0 0.2 1 0"},
        {"particles_acceleration", "0 -2.5 0"}, {"particles_rotation", "-30 30"}, {"particle_random_rot", "0"},
        {"particles_speed", "0.5 1"}, {"particles_timelife", "2 3"}, {"particles_scale", "0.25 0.5"},
        {"particles_color_start", "255 250 240 200 190 180"}, {"particles_color_end", "10 20 30 40 50 60"},
        {"billboarding", "3"}, {"time_delay", "0.25"}, {"time_step", "4"}, {"loop", "1"}};
    std::string s = "texture: " + texture;
    for (const auto& [key, value] : keys) s += "\n" + key + ": " + (set.count(key) ? set.at(key) : value);
    return s + "\n";
}

// Parses `text` into `blocks`, which hold a stale block before: no call may leave it there. The
// reason for failing is dropped (that a failure gives one: the zfx fuzz oracle).
static bool Parse(const std::string& text, std::vector<ZfxBlock>& blocks, std::string error = {}) {
    blocks.resize(1);
    return ParseZfx(text.data(), text.size(), blocks, error);
}

// One value of every keyword (the limit: the next test), in file order (a value read into
// the wrong field shows),
// and the pixel values' low 8 bits, whatever the white space.
TEST(ZfxParser, ReadsEveryFieldWhateverTheLayout) {
    const std::string text = Header() + Block({}, "1 2 1\n256 300 -1 511 9 8 7 6");
    // no separator where a keyword's own text ends a number
    const std::string tight = std::regex_replace(text, std::regex("\nspawn_particles"), "spawn_particles");
    auto relayout = [&](const char* sep) { return std::regex_replace(text, std::regex("[ \n]+"), sep); };
    const std::vector<float> want = {1, 2, 1, 1.5f, 4, 0.5f, 0.2f, -2.5f, 30, 0, 1, 3, 0.5f, 180, 60, 3, 0.25f, 4, 1};
    for (const std::string& layout : {text + "\n\n \n", tight, relayout(" "), relayout(" \t\r\n\n ")}) {
        std::vector<ZfxBlock> blocks;
        ASSERT_TRUE(Parse(layout, blocks) && blocks.size() == 1u && blocks[0].emitter.instance &&
                    blocks[0].pixels == (std::vector<unsigned char>{0, 44, 255, 255, 9, 8, 7, 6, 0})) << layout;
        const ScintixParticlesFX& e = blocks[0].emitter;
        const std::vector<float> got = {
            float(e.sizeX), float(e.sizeY), float(e.black_alpha), e.spawn_time_max,
            float(e.spawn_p_max), e.spawn_pos_max.y, e.spawn_dir_max.x, e.p_acceleration.y, e.p_rotation_max,
            float(e.p_rand_rot), e.p_speed_max, e.p_timelife_max, e.p_scale_max, e.p_color_s_max.b, e.p_color_e_max.b,
            float(e.billboarding), e.time_delay, e.total_time_simulation, float(e.loop)};
        EXPECT_EQ(got, want) << layout;
    }
}

// The cut block's life is never reached: the default 0.
TEST(ZfxParser, BlocksBecomeEmittersInOrderWithZeroSizedTexturesAndACutLastBlock) {
    std::string cut = Block({}, "1 1 1\n1 2 3 4");
    cut.resize(cut.find("particles_speed: 0.5") + 20);  // the file ends after the first speed
    std::vector<ZfxBlock> blocks;  // 7 by 0: no values
    ASSERT_TRUE(Parse(Header() + Block({{"particles_limit", "11"}}, "7 0 1") + cut, blocks) && blocks.size() == 2u);
    EXPECT_TRUE(blocks[0].emitter.p_limit == 11 && blocks[0].pixels.size() == 1u && blocks[1].pixels[0] == 1 &&
                blocks[1].emitter.p_speed_min == 0.5f && blocks[1].emitter.p_timelife_max == 0);
    EXPECT_TRUE(Parse(Header(), blocks) && blocks.empty());
}

TEST(ZfxParser, DamagedFilesFailWholeAndKeepThePreviousEmitters) {
    const std::string body = Block();
    auto edit = [&](const char* a, const char* b) { return Header() + std::regex_replace(body, std::regex(a), b); };
    // 40 blocks of 512 values declared, none given: each fits in what follows, all pass the file
    std::string many = Header();
    for (int i = 0; i < 40; ++i) many += Block({}, "8 16 1");
    const std::string cases[] = {
        " ZFX ver: 2\n" + body, "zfx ver: 2\n" + body, "YFX ver: 2\n" + body, "ZF", "", Header(3) + body,
        Header(1) + body, "ZFX ver: two\n" + body, edit("particles_limit", "particle_limit"),
        edit("billboarding", "time_delayyy"), Header() + body + Block({{"particles_speed", "fast"}}),
        Header() + body + "garbage\n", Header() + Block({}, "-1 0 1"), Header() + Block({}, "0 -1 1"),
        Header() + Block({}, "64 64 1"), Header() + Block({}, "2147483647 2147483647 1"),
        Header() + Block({}, "99999999999999999999 1 1"), many + std::string(600, ' ')};
    std::vector<ZfxBlock> blocks;
    for (const std::string& bad : cases) EXPECT_TRUE(!Parse(bad, blocks) && blocks.empty()) << bad.substr(0, 120);
    ScintixFX fx;  // a damaged or missing file keeps the loaded emitters (named on stderr: tests/e2e/test_window.py)
    fx.FX.emplace_back().p_limit = 4242;
    EXPECT_TRUE(!fx.load_from_memory(cases[0].data(), cases[0].size(), "Data/test.zfx") && !fx.load("Data/none.zfx") &&
                fx.FX.size() == 1u && fx.FX.front().p_limit == 4242);
}
