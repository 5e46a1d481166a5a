// Replays a fuzz target's corpus without libFuzzer, in the ordinary build: every file
// of each folder given goes through LLVMFuzzerTestOneInput, which aborts on a broken
// promise. Fails when a folder is missing or holds no input.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/fuzz.h"

int main(int argc, char** argv) {
    size_t inputs = 0;
    for (int i = 1; i < argc; ++i) {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(argv[i], ec)) {
            std::ifstream in(entry.path(), std::ios::binary);
            const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), ++inputs;
        }
        if (ec) return std::fprintf(stderr, "replay: %s: %s\n", argv[i], ec.message().c_str()), 1;
    }
    std::printf("replayed %zu inputs\n", inputs);
    return inputs > 0 ? 0 : 1;
}
