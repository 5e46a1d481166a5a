// libFuzzer entry for the effect-file reader; built by fuzz/run_fuzz.sh with clang.
#include "fuzz/zfx_fuzz_one.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzOneZfx(data, size);
    return 0;
}
