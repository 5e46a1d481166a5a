// Without any sound device: start-up says so in one line and every sound call of the
// program stays harmless.
#include <AL/al.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "audio/audio_engine.h"
#include "audio/sound_device.h"
#include "wav_samples.h"

namespace {

// A back end that does not exist leaves OpenAL Soft with no device, as on a machine
// without a sound card. Set before OpenAL reads its configuration.
const bool no_driver = setenv("ALSOFT_DRIVERS", "strigolo-no-such-driver", 1) == 0;

TEST(NoSoundDevice, StartUpReportsOneLineAndSoundCallsDoNothing) {
    ASSERT_TRUE(no_driver);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(OpenSoundDevice());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "strigolo: no sound device, sound is off\n");

    const std::string tone = ScratchDir("nodevice") + "/tone.wav";
    WriteToneWav(tone, 0.5, 440.0, 22050);
    testing::internal::CaptureStderr();
    AudioEngine.spawn_static(0, tone.c_str(), false);
    Sound& s0 = AudioEngine.s[0];
    EXPECT_EQ(s0.alSource, 0u);  // no context, no source
    EXPECT_FALSE(s0.State(AL_PLAYING));
    s0.Update(), s0.SetProperties(1, 1, 1, true), s0.SetPosition(1, 2, 3), s0.Pause();
    SetListenerPosition(0, 0, 0);
    SetListenerOrientation(0, 0, -1, 0, 1, 0);
    EXPECT_TRUE(sound_dead(s0));
    AudioEngine.spawn_static(0, "missing.wav", false);
    AudioEngine.spawn_static(10, tone.c_str(), false);
    AudioEngine.kill_static(0);
    AudioEngine.kill_static(0);
    AudioEngine.kill_static(-1);
    CloseSoundDevice();
    CloseSoundDevice();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // said once, at start-up
}

}  // namespace
