// What the program really plays: OpenAL Soft's wave-file device records the mix
// (16-bit mono, 22050 Hz) in real time, and the recording is examined afterwards.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "audio/audio_engine.h"
#include "audio/sound_device.h"
#include "wav_samples.h"

namespace {

const int kRate = 22050;
// Anything above this (about -60 dBFS) counts as heard.
const double kAudible = 0.001;

// Writes the device configuration and points OpenAL Soft at it; must run before
// OpenAL reads its configuration, so it runs during static initialisation.
std::string SetUpRecordingDevice() {
  std::string dir = ScratchDir("output");
  std::string rec = dir + "/recording.wav";
  std::ofstream(dir + "/alsoft.conf") << "[general]\n"
                                         "drivers = wave\n"
                                         "channels = mono\n"
                                         "sample-type = int16\n"
                                         "dither = false\n"
                                         "frequency = " << kRate << "\n"
                                         "[wave]\n"
                                         "file = " << rec << "\n";
  setenv("ALSOFT_CONF", (dir + "/alsoft.conf").c_str(), 1);
  setenv("ALSOFT_DRIVERS", "wave", 1);
  return rec;
}
const std::string recording = SetUpRecordingDevice();

void Wait(double seconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<int>(seconds * 1000)));
}

// Closes the device (which finishes the file's header) and reads what was recorded.
PcmWav StopRecording() {
  CloseSoundDevice();
  PcmWav w = ReadPcmWav(recording);
  EXPECT_TRUE(w.ok);
  EXPECT_EQ(w.channels, 1);
  EXPECT_EQ(w.rate, kRate);
  EXPECT_GT(w.data_declared, 0u);
  EXPECT_EQ(w.data_declared, w.data_present);
  return w;
}

class SoundOutput : public testing::Test {
protected:
  void SetUp() override {
    dir = ScratchDir("output");
    long_tone = dir + "/long.wav";
    WriteToneWav(long_tone, 2.5, 440.0, kRate, 0.5);
    ASSERT_TRUE(OpenSoundDevice());
  }
  void TearDown() override { CloseSoundDevice(); }
  std::string dir, long_tone;
};

TEST_F(SoundOutput, ASpawnedSoundIsHeardForItsWholeLength) {
  AudioEngine.spawn_static(0, STRIGOLO_DATA_DIR "/right.wav", false);
  Wait(1.8);
  PcmWav w = StopRecording();
  EXPECT_GT(PeakLevel(w.samples), 0.1);
  auto span = AudibleSpan(w.samples, kAudible);
  ASSERT_GE(span.first, 0);
  double heard = double(span.second - span.first) / kRate;
  EXPECT_GT(heard, 0.6);  // the phrase rings for about a second
  EXPECT_LT(heard, 1.6);
}

TEST_F(SoundOutput, AMissingFileIsSilence) {
  AudioEngine.spawn_static(0, (dir + "/missing.wav").c_str(), false);
  Wait(0.6);
  PcmWav w = StopRecording();
  EXPECT_GT(w.samples.size(), size_t(kRate / 4));
  EXPECT_EQ(PeakLevel(w.samples), 0.0);
}

TEST_F(SoundOutput, KillStopsTheSoundEarly) {
  AudioEngine.spawn_static(0, long_tone.c_str(), false);
  Wait(0.4);
  AudioEngine.kill_static(0);
  Wait(0.8);
  PcmWav w = StopRecording();
  auto span = AudibleSpan(w.samples, kAudible);
  ASSERT_GE(span.first, 0);
  double heard = double(span.second - span.first) / kRate;
  EXPECT_GT(heard, 0.2);
  EXPECT_LT(heard, 1.2);  // well short of the tone's 2.5 s
  EXPECT_LT(span.second, long(w.samples.size()) - kRate / 2);  // the last half second is quiet
}

TEST_F(SoundOutput, ASecondSpawnCutsTheFirstAndOnlyTheSecondIsHeardAfter) {
  AudioEngine.spawn_static(0, long_tone.c_str(), false);
  Wait(0.4);
  AudioEngine.spawn_static(0, (dir + "/missing.wav").c_str(), false);
  Wait(0.8);
  PcmWav w = StopRecording();
  auto span = AudibleSpan(w.samples, kAudible);
  ASSERT_GE(span.first, 0);
  EXPECT_LT(double(span.second - span.first) / kRate, 1.2);
  EXPECT_LT(span.second, long(w.samples.size()) - kRate / 2);
}

TEST_F(SoundOutput, OutOfRangeSlotsNeitherPlayNorCut) {
  AudioEngine.spawn_static(10, long_tone.c_str(), false);
  AudioEngine.spawn_static(-1, long_tone.c_str(), false);
  Wait(0.5);
  AudioEngine.kill_static(10);
  PcmWav w = StopRecording();
  EXPECT_EQ(PeakLevel(w.samples), 0.0);
}

}  // namespace
