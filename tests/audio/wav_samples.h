// Sound files for the sound tests: a scratch folder, and 16-bit mono WAV tones.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>

inline std::string ScratchDir(const std::string& name) {
    const std::string dir = testing::TempDir() + "strigolo_" + name + "_" + std::to_string(getpid());
    ::mkdir(dir.c_str(), 0700);
    return dir;
}

// A sine of `seconds` at `hz`, half of full scale, at `rate` samples per second.
inline void WriteToneWav(const std::string& path, double seconds, double hz, int rate) {
    const uint32_t n = static_cast<uint32_t>(seconds * rate);
    std::string out = "RIFF";
    auto put = [&](uint32_t v, int bytes) { for (int i = 0; i < bytes; ++i) out += char(v >> (8 * i)); };
    put(36 + 2 * n, 4);
    out += "WAVEfmt ";
    put(16, 4), put(1, 2), put(1, 2), put(rate, 4), put(rate * 2, 4), put(2, 2), put(16, 2);  // PCM mono 16-bit
    out += "data";
    put(2 * n, 4);
    for (uint32_t i = 0; i < n; ++i) put(uint16_t(std::lround(16383 * std::sin(2 * M_PI * hz * i / rate))), 2);
    std::ofstream(path, std::ios::binary) << out;
}
