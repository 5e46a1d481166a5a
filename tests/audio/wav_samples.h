// Helpers for the sound tests: 16-bit mono WAV tones in a scratch folder, the samples
// of a recorded WAV, and level figures as fractions of full scale.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

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

// Every 16-bit sample after the header of the file's "data" chunk.
inline std::vector<int16_t> ReadWavSamples(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t at = b.find("data");
    std::vector<int16_t> s(at == std::string::npos || b.size() < at + 8 ? 0 : (b.size() - at - 8) / 2);
    if (!s.empty()) std::memcpy(s.data(), b.data() + at + 8, s.size() * 2);
    return s;
}

inline double PeakLevel(const std::vector<int16_t>& s) {
    int peak = 0;
    for (int16_t v : s) peak = std::max(peak, std::abs(int(v)));
    return peak / 32767.0;
}

// RMS of the loudest stretch of `window` samples.
inline double LoudestWindowRms(const std::vector<int16_t>& s, size_t window) {
    window = std::min(window, s.size());
    double acc = 0, best = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        acc += (double(s[i]) * s[i] - (i >= window ? double(s[i - window]) * s[i - window] : 0)) / (32767.0 * 32767.0);
        best = std::max(best, acc);
    }
    return window ? std::sqrt(best / window) : 0;
}

// Seconds from the first to the last sample above 0.001 of full scale (-60 dBFS); -1 for none.
inline double AudibleSeconds(const std::vector<int16_t>& s, int rate, long* last = nullptr) {
    long first = -1, end = -1;
    for (size_t i = 0; i < s.size(); ++i)
        if (std::abs(s[i]) > 32) {
            if (first < 0) first = long(i);
            end = long(i);
        }
    if (last) *last = end;
    return first < 0 ? -1 : double(end - first) / rate;
}
