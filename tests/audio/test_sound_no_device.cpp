// Without any sound device: start-up says so in one line and every sound call of the
// program stays harmless and quiet.
#include <AL/al.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "audio/audio_engine.h"
#include "audio/sound_device.h"

// A back end that does not exist leaves OpenAL Soft with no device, as on a machine
// without a sound card. Set before OpenAL reads its configuration.
static const bool no_driver = setenv("ALSOFT_DRIVERS", "strigolo-no-such-driver", 1) == 0;

TEST(NoSoundDevice, StartUpReportsOneLineAndSoundCallsDoNothing) {
    testing::internal::CaptureStderr();
    EXPECT_TRUE(no_driver && !OpenSoundDevice());
    AudioEngine.spawn_static(0, STRIGOLO_DATA_DIR "/right.wav", false), AudioEngine.spawn_static(10, "x.wav", false);
    Sound& s0 = AudioEngine.s[0];
    s0.Update(), s0.SetProperties(1, 1, 1, true), s0.SetPosition(1, 2, 3), s0.Pause();
    SetListenerPosition(0, 0, 0), SetListenerOrientation(0, 0, -1, 0, 1, 0), PauseSoundWhenQuiet(2.0f);
    EXPECT_TRUE(s0.alSource == 0u && !s0.State(AL_PLAYING) && sound_dead(s0));  // no context, no source
    AudioEngine.kill_static(0), AudioEngine.kill_static(-1), CloseSoundDevice(), CloseSoundDevice();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "strigolo: no sound device, sound is off\n");  // once
}
