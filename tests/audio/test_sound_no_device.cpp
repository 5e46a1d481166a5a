// Without any sound device: start-up says so in one line and every sound call of the
// program stays harmless.
#include <AL/al.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "audio/audio_engine.h"
#include "audio/sound_device.h"
#include "wav_samples.h"

namespace {

// A back end that does not exist leaves OpenAL Soft with no device to open, as on a
// machine without a sound card. Set before OpenAL reads its configuration.
const bool no_driver = setenv("ALSOFT_DRIVERS", "strigolo-no-such-driver", 1) == 0;

TEST(NoSoundDevice, StartUpReportsOneLineAndSoundCallsDoNothing) {
  ASSERT_TRUE(no_driver);
  testing::internal::CaptureStderr();
  bool opened = OpenSoundDevice();
  std::string said = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(opened);
  EXPECT_EQ(said, "strigolo: no sound device, sound is off\n");
  EXPECT_TRUE(AudioEngine.initialize_engine);

  std::string dir = ScratchDir("nodevice");
  std::string tone = dir + "/tone.wav";
  WriteToneWav(tone, 0.5, 440.0, 22050);

  AudioEngine.spawn_static(0, tone.c_str(), false);
  Sound& s0 = AudioEngine.s[0];
  EXPECT_EQ(s0.alSource, 0u);  // no context, no source
  EXPECT_NE(s0.alBuffer, nullptr);  // the file itself was read
  EXPECT_FALSE(s0.State(AL_PLAYING));
  s0.Update();
  s0.SetProperties(1.0f, 1.0f, 1.0f, true);
  s0.SetPosition(1.0f, 2.0f, 3.0f);
  s0.Pause();
  SetListenerPosition(0.0f, 0.0f, 0.0f);
  SetListenerOrientation(0.0f, 0.0f, -1.0f, 0.0f, 1.0f, 0.0f);
  EXPECT_TRUE(sound_dead(s0));
  EXPECT_EQ(s0.alBuffer, nullptr);

  AudioEngine.spawn_static(0, tone.c_str(), false);
  AudioEngine.spawn_static(0, (dir + "/missing.wav").c_str(), false);
  EXPECT_EQ(s0.alBuffer, nullptr);
  EXPECT_EQ(s0.alFreqBuffer, 22050);
  AudioEngine.spawn_static(10, tone.c_str(), false);
  AudioEngine.kill_static(0);
  AudioEngine.kill_static(0);
  AudioEngine.kill_static(-1);
  enable_sfx = !enable_sfx;  // the switch is the callers' business; nothing reads it here
  AudioEngine.spawn_static(0, tone.c_str(), false);
  enable_sfx = true;

  // Trying again and closing what never opened stay quiet and harmless.
  testing::internal::CaptureStderr();
  CloseSoundDevice();
  CloseSoundDevice();
  std::string later = testing::internal::GetCapturedStderr();
  EXPECT_EQ(later, "");
  EXPECT_EQ(s0.alBuffer, nullptr);
}

}  // namespace
