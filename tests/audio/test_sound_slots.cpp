// The engine's slots against real OpenAL Soft, on its null device: what spawn_static
// and kill_static do to sources and buffers, with good, missing and broken files.
#include <AL/al.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

#include "audio/audio_engine.h"
#include "audio/sound_device.h"
#include "wav_samples.h"

namespace {

// Chosen before OpenAL reads its configuration (on the first device call).
const bool null_driver = setenv("ALSOFT_DRIVERS", "null", 1) == 0;

// OpenAL Soft hands out small consecutive names, so counting the live ones among the
// first hundred tells whether anything leaked or survived.
int LiveSources() {
  int n = 0;
  for (ALuint id = 1; id <= 100; ++id) n += alIsSource(id) ? 1 : 0;
  return n;
}
int LiveBuffers() {
  int n = 0;
  for (ALuint id = 1; id <= 100; ++id) n += alIsBuffer(id) ? 1 : 0;
  return n;
}
ALint BufferSize(ALuint source) {
  ALint buffer = 0, size = -1;
  alGetSourcei(source, AL_BUFFER, &buffer);
  alGetBufferi(static_cast<ALuint>(buffer), AL_SIZE, &size);
  return size;
}

class SoundSlots : public testing::Test {
protected:
  static void SetUpTestSuite() {
    dir = ScratchDir("slots");
    long_tone = dir + "/long.wav";
    short_tone = dir + "/short.wav";
    blip = dir + "/blip.wav";
    WriteToneWav(long_tone, 3.0, 440.0, 44100);   // 264600 bytes
    WriteToneWav(short_tone, 1.0, 660.0, 22050);  // 44100 bytes
    WriteToneWav(blip, 0.05, 880.0, 22050);
    std::ofstream(dir + "/text.wav") << "not a sound at all\n";
    // A header that promises a second of samples, followed by ten bytes.
    std::string half = dir + "/truncated.wav";
    WriteToneWav(half, 1.0, 440.0, 22050);
    std::string bytes;
    {
      std::ifstream in(half, std::ios::binary);
      bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::ofstream(half, std::ios::binary | std::ios::trunc).write(bytes.data(), 54);
  }
  void SetUp() override {
    ASSERT_TRUE(null_driver);
    ASSERT_TRUE(OpenSoundDevice());
    ASSERT_TRUE(AudioEngine.initialize_engine);
  }
  void TearDown() override { CloseSoundDevice(); }

  static std::string dir, long_tone, short_tone, blip;
};
std::string SoundSlots::dir, SoundSlots::long_tone, SoundSlots::short_tone, SoundSlots::blip;

TEST_F(SoundSlots, SpawnLoadsAndPlaysAndASecondSpawnCutsTheFirst) {
  AudioEngine.spawn_static(0, long_tone.c_str(), false);
  Sound& s0 = AudioEngine.s[0];
  ASSERT_NE(s0.alSource, 0u);
  EXPECT_NE(s0.alBuffer, nullptr);
  EXPECT_EQ(s0.alFormatBuffer, AL_FORMAT_MONO16);
  EXPECT_EQ(s0.alFreqBuffer, 44100);
  EXPECT_EQ(s0.alBufferLen, 264600);
  EXPECT_EQ(BufferSize(s0.alSource), 264600);
  EXPECT_TRUE(s0.State(AL_PLAYING));
  ALint relative = 0, looping = 1;
  alGetSourcei(s0.alSource, AL_SOURCE_RELATIVE, &relative);
  alGetSourcei(s0.alSource, AL_LOOPING, &looping);
  EXPECT_EQ(relative, AL_TRUE);  // centred on the listener
  EXPECT_EQ(looping, AL_FALSE);

  AudioEngine.spawn_static(0, short_tone.c_str(), false);
  EXPECT_TRUE(s0.State(AL_PLAYING));
  EXPECT_EQ(BufferSize(s0.alSource), 44100);
  EXPECT_EQ(s0.alFreqBuffer, 22050);
  // The first sound's source and buffer are gone, not merely silenced.
  EXPECT_EQ(LiveSources(), 1);
  EXPECT_EQ(LiveBuffers(), 1);
}

TEST_F(SoundSlots, KillReleasesAndLaterCallsOnThatSlotTouchNothingElse) {
  AudioEngine.spawn_static(0, long_tone.c_str(), false);
  const ALuint old_name = AudioEngine.s[0].alSource;
  AudioEngine.kill_static(0);
  EXPECT_EQ(AudioEngine.s[0].alSource, 0u);
  EXPECT_EQ(AudioEngine.s[0].alSampleSet, 0u);
  EXPECT_EQ(AudioEngine.s[0].alBuffer, nullptr);
  EXPECT_EQ(LiveSources(), 0);
  EXPECT_EQ(LiveBuffers(), 0);

  // OpenAL gives the freed name to the next source: slot 1 now owns it.
  AudioEngine.spawn_static(1, long_tone.c_str(), false);
  Sound& s1 = AudioEngine.s[1];
  EXPECT_EQ(s1.alSource, old_name);
  AudioEngine.kill_static(0);
  AudioEngine.s[0].Stop();
  AudioEngine.s[0].Pause();
  AudioEngine.s[0].Destroy();
  AudioEngine.s[0].Play();
  AudioEngine.s[0].SetGain(0.0f);
  AudioEngine.s[0].Update();
  EXPECT_TRUE(s1.State(AL_PLAYING));
  EXPECT_EQ(BufferSize(s1.alSource), 264600);
  ALfloat gain = 0.0f;
  alGetSourcef(s1.alSource, AL_GAIN, &gain);
  EXPECT_FLOAT_EQ(gain, 1.0f);
  EXPECT_EQ(LiveSources(), 1);

  // A never-used engine: kill and sound_dead find nothing to do.
  class AudioEngine fresh;
  fresh.kill_static(0);
  fresh.kill_static(0);
  EXPECT_TRUE(sound_dead(fresh.s[0]));
  EXPECT_TRUE(s1.State(AL_PLAYING));
  AudioEngine.kill_static(1);
}

TEST_F(SoundSlots, SlotsOutsideZeroToNineAreIgnored) {
  AudioEngine.spawn_static(0, long_tone.c_str(), false);
  const ALuint name = AudioEngine.s[0].alSource;
  for (int slot : {-1, 10, 11, 1000, -2147483647 - 1}) {
    SCOPED_TRACE(slot);
    AudioEngine.spawn_static(slot, short_tone.c_str(), false);
    EXPECT_EQ(LiveSources(), 1);
    EXPECT_EQ(AudioEngine.s[10].alSource, 0u);
    AudioEngine.kill_static(slot);
  }
  EXPECT_EQ(AudioEngine.s[0].alSource, name);
  EXPECT_TRUE(AudioEngine.s[0].State(AL_PLAYING));
  EXPECT_EQ(AudioEngine.s[10].alSource, 0u);
  EXPECT_EQ(AudioEngine.s[10].alBuffer, nullptr);
  EXPECT_EQ(LiveSources(), 1);

  AudioEngine.spawn_static(9, short_tone.c_str(), false);  // the last usable slot
  EXPECT_TRUE(AudioEngine.s[9].State(AL_PLAYING));
  EXPECT_EQ(LiveSources(), 2);
}

TEST_F(SoundSlots, UnreadableFilesGiveASilentSlotWithTheEmptySoundDefaults) {
  for (std::string bad : {dir + "/missing.wav", dir + "/text.wav", dir + "/truncated.wav", dir}) {
    SCOPED_TRACE(bad);
    AudioEngine.spawn_static(0, long_tone.c_str(), false);  // leaves 44100 Hz behind
    AudioEngine.spawn_static(0, bad.c_str(), false);
    Sound& s0 = AudioEngine.s[0];
    EXPECT_EQ(s0.alBuffer, nullptr);
    EXPECT_EQ(s0.alBufferLen, 0);
    EXPECT_EQ(s0.alFormatBuffer, AL_FORMAT_MONO16);
    EXPECT_EQ(s0.alFreqBuffer, 22050);
    ASSERT_NE(s0.alSource, 0u);  // the empty buffer is uploaded and played
    EXPECT_EQ(BufferSize(s0.alSource), 0);
    EXPECT_FALSE(s0.State(AL_PLAYING));
    EXPECT_TRUE(sound_dead(s0));  // nothing loaded, so nothing to release either
    EXPECT_EQ(LiveSources(), 1);  // the long tone was cut
  }
  AudioEngine.kill_static(0);
  EXPECT_EQ(LiveSources(), 0);
  EXPECT_EQ(LiveBuffers(), 0);
}

TEST_F(SoundSlots, ANullFileNameCutsTheSlotAndPlaysNothing) {
  AudioEngine.spawn_static(0, long_tone.c_str(), false);
  AudioEngine.spawn_static(0, nullptr, false);
  EXPECT_EQ(AudioEngine.s[0].alSource, 0u);
  EXPECT_EQ(LiveSources(), 0);
}

TEST_F(SoundSlots, TheCallersFlagAloneDecidesLooping) {
  AudioEngine.spawn_static(2, blip.c_str(), true);
  ALint looping = 0;
  alGetSourcei(AudioEngine.s[2].alSource, AL_LOOPING, &looping);
  EXPECT_EQ(looping, AL_TRUE);
  AudioEngine.spawn_static(2, blip.c_str(), false);
  alGetSourcei(AudioEngine.s[2].alSource, AL_LOOPING, &looping);
  EXPECT_EQ(looping, AL_FALSE);
}

TEST_F(SoundSlots, SoundDeadLeavesAPlayingSoundAloneAndReleasesAFinishedOne) {
  AudioEngine.spawn_static(3, long_tone.c_str(), false);
  EXPECT_FALSE(sound_dead(AudioEngine.s[3]));
  EXPECT_TRUE(AudioEngine.s[3].State(AL_PLAYING));

  AudioEngine.spawn_static(4, blip.c_str(), false);  // 50 ms
  Sound& s4 = AudioEngine.s[4];
  bool dead = false;
  for (int i = 0; i < 100 && !dead; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    dead = sound_dead(s4);
  }
  EXPECT_TRUE(dead);
  EXPECT_EQ(s4.alSource, 0u);
  EXPECT_EQ(s4.alBuffer, nullptr);
  EXPECT_TRUE(AudioEngine.s[3].State(AL_PLAYING));
  EXPECT_EQ(LiveSources(), 1);
}

TEST_F(SoundSlots, ClosingTheDeviceReleasesEverySlot) {
  AudioEngine.spawn_static(0, long_tone.c_str(), false);
  AudioEngine.spawn_static(5, short_tone.c_str(), false);
  CloseSoundDevice();
  EXPECT_EQ(AudioEngine.s[0].alSource, 0u);
  EXPECT_EQ(AudioEngine.s[5].alSource, 0u);
  CloseSoundDevice();  // twice is harmless
  ASSERT_TRUE(OpenSoundDevice());
  AudioEngine.spawn_static(0, short_tone.c_str(), false);
  EXPECT_TRUE(AudioEngine.s[0].State(AL_PLAYING));
}

TEST(AbsolutePath, PrefixesAndTruncatesTo511Characters) {
  std::snprintf(curr_absolute_path, sizeof curr_absolute_path, "/opt/strigolo/");
  EXPECT_STREQ(GetAbsPath("Data/right.wav"), "/opt/strigolo/Data/right.wav");
  std::string long_path(700, 'x');
  char* r = GetAbsPath(long_path.c_str());
  EXPECT_EQ(std::strlen(r), 511u);
  EXPECT_EQ(std::string(r, 14), "/opt/strigolo/");
  curr_absolute_path[0] = '\0';
  EXPECT_STREQ(GetAbsPath("Data/laugh.wav"), "Data/laugh.wav");
}

}  // namespace
