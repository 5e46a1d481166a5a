// The seven sound effects of Data/ decode with the program's own loader and keep to
// their limits: format, length, headroom, matched loudness, quiet edges.
#include <AL/al.h>
#include <AL/alut.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "wav_samples.h"

namespace {

struct Decoded {
  ALenum format = 0;
  ALsizei rate = 0;
  std::vector<int16_t> samples;
};

// Decodes the way the engine does: freealut, without alutInit.
Decoded Decode(const std::string& path) {
  Decoded d;
  void* data = nullptr;
  ALsizei size = 0;
  ALboolean loop = AL_FALSE;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  alutLoadWAVFile(reinterpret_cast<ALbyte*>(const_cast<char*>(path.c_str())), &d.format, &data,
                  &size, &d.rate, &loop);
  if (data != nullptr) {
    const int16_t* p = static_cast<const int16_t*>(data);
    d.samples.assign(p, p + size / 2);
    alutUnloadWAV(d.format, data, size, d.rate);
  }
#pragma GCC diagnostic pop
  return d;
}

double Db(double level) { return 20.0 * std::log10(level); }

struct Effect {
  const char* name;
  double max_seconds;
};
const Effect kEffects[] = {
    {"notify", 3.0}, {"question", 3.0}, {"laugh", 15.5}, {"right", 3.0},
    {"wrong_1", 3.0}, {"wrong_2", 3.0}, {"wrong_3", 3.0},
};

TEST(SoundAssets, EveryEffectDecodesAndKeepsToItsLimits) {
  std::vector<double> loudness;
  std::vector<std::vector<int16_t>> wrongs;
  for (const Effect& e : kEffects) {
    SCOPED_TRACE(e.name);
    Decoded d = Decode(std::string(STRIGOLO_DATA_DIR "/") + e.name + ".wav");
    ASSERT_FALSE(d.samples.empty());
    EXPECT_EQ(d.format, AL_FORMAT_MONO16);
    EXPECT_TRUE(d.rate == 22050 || d.rate == 44100) << d.rate;
    double seconds = double(d.samples.size()) / d.rate;
    EXPECT_GT(seconds, 0.3);
    EXPECT_LE(seconds, e.max_seconds);

    double peak = PeakLevel(d.samples);
    EXPECT_LT(peak, 0.9);  // headroom below full scale

    // Soft edges: the sound starts and ends at rest and takes more than a millisecond
    // to rise or to die away, so neither edge clicks.
    EXPECT_LT(std::abs(d.samples.front()) / 32767.0, 0.01);
    EXPECT_LT(std::abs(d.samples.back()) / 32767.0, 0.01);
    const size_t ms = d.rate / 1000;
    std::vector<int16_t> head(d.samples.begin(), d.samples.begin() + ms);
    std::vector<int16_t> tail(d.samples.end() - ms, d.samples.end());
    EXPECT_LT(LoudestWindowRms(head, ms), 0.25 * peak);
    EXPECT_LT(LoudestWindowRms(tail, ms), 0.25 * peak);
    // No offset pushing the speaker to one side.
    double mean = 0.0;
    for (int16_t v : d.samples) mean += v / 32767.0;
    EXPECT_LT(std::fabs(mean / d.samples.size()), 0.005);

    double rms = LoudestWindowRms(d.samples, static_cast<size_t>(0.3 * d.rate));
    loudness.push_back(Db(rms));
    EXPECT_GT(Db(rms), -20.0);  // clearly audible at the default gain
    EXPECT_LT(Db(rms), -9.0);
    std::printf("%-9s %5.2f s  peak %6.1f dBFS  loudest 300 ms %6.1f dBFS RMS\n", e.name, seconds,
                Db(peak), Db(rms));
    if (std::string(e.name).rfind("wrong_", 0) == 0) wrongs.push_back(d.samples);
  }
  ASSERT_EQ(loudness.size(), 7u);
  auto [lo, hi] = std::minmax_element(loudness.begin(), loudness.end());
  EXPECT_LT(*hi - *lo, 3.0) << "loudness differs by " << *hi - *lo << " dB";

  // Three different "no" sounds, not one sound three times.
  ASSERT_EQ(wrongs.size(), 3u);
  EXPECT_NE(wrongs[0], wrongs[1]);
  EXPECT_NE(wrongs[1], wrongs[2]);
  EXPECT_NE(wrongs[0], wrongs[2]);
}

}  // namespace
