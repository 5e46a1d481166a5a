// Replays every input of the effect reader's fuzz corpus (fuzz/corpus) through the
// same checks the fuzz target makes; any broken promise aborts the test.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/zfx_fuzz_one.h"

TEST(ZfxFuzzCorpus, EveryInputKeepsTheReadersPromises) {
    const std::filesystem::path dir = std::filesystem::path(STRIGOLO_SOURCE_DIR) / "fuzz" / "corpus";
    ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir;
    int inputs = 0, loaded = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        SCOPED_TRACE(entry.path().string());
        FuzzOneZfx(bytes.data(), bytes.size());
        std::vector<ZfxBlock> blocks;
        std::string error;
        if (ParseZfx(reinterpret_cast<const char*>(bytes.data()), bytes.size(), blocks, error)) ++loaded;
        ++inputs;
    }
    // The corpus holds the hand-written seeds at least, good and damaged.
    EXPECT_GE(inputs, 10);
    EXPECT_GT(loaded, 0);
    EXPECT_LT(loaded, inputs);
}
