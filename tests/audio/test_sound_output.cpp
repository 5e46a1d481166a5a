// What the program really plays: OpenAL Soft's wave-file device records the mix
// (16-bit mono, 22050 Hz) in real time, and the recording is examined afterwards.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "audio/audio_engine.h"
#include "audio/sound_device.h"
#include "wav_samples.h"

namespace {

const int kRate = 22050;

// Points OpenAL Soft at a recording configuration; runs during static initialisation,
// before OpenAL reads its configuration.
std::string SetUpRecordingDevice() {
    const std::string dir = ScratchDir("output");
    std::ofstream(dir + "/alsoft.conf") << "[general]\ndrivers = wave\nchannels = mono\nsample-type = int16\n"
                                           "dither = false\nfrequency = " << kRate
                                        << "\n[wave]\nfile = " << dir << "/recording.wav\n";
    setenv("ALSOFT_CONF", (dir + "/alsoft.conf").c_str(), 1);
    setenv("ALSOFT_DRIVERS", "wave", 1);
    return dir;
}
const std::string dir = SetUpRecordingDevice();

void Wait(double seconds) { std::this_thread::sleep_for(std::chrono::milliseconds(int(seconds * 1000))); }

// Closes the device, which finishes the file, and reads what was recorded.
std::vector<int16_t> StopRecording() {
    CloseSoundDevice();
    return ReadWavSamples(dir + "/recording.wav");
}

class SoundOutput : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(OpenSoundDevice()); }
    void TearDown() override { CloseSoundDevice(); }
};

TEST_F(SoundOutput, ASpawnedSoundIsHeardAndAMissingFileIsSilence) {
    AudioEngine.spawn_static(0, STRIGOLO_DATA_DIR "/right.wav", false);
    Wait(1.0);
    EXPECT_GT(PeakLevel(StopRecording()), 0.1);

    ASSERT_TRUE(OpenSoundDevice());
    AudioEngine.spawn_static(0, (dir + "/missing.wav").c_str(), false);
    Wait(0.6);
    const std::vector<int16_t> silence = StopRecording();
    EXPECT_GT(silence.size(), size_t(kRate / 4));
    EXPECT_EQ(PeakLevel(silence), 0.0);
}

TEST_F(SoundOutput, KillStopsTheSoundEarly) {
    WriteToneWav(dir + "/long.wav", 2.5, 440.0, kRate);
    AudioEngine.spawn_static(0, (dir + "/long.wav").c_str(), false);
    Wait(0.4);
    AudioEngine.kill_static(0);
    Wait(0.8);
    const std::vector<int16_t> w = StopRecording();
    long last = -1;
    const double heard = AudibleSeconds(w, kRate, &last);
    EXPECT_GT(heard, 0.2);
    EXPECT_LT(heard, 1.2);  // well short of the tone's 2.5 s
    EXPECT_LT(last, long(w.size()) - kRate / 2);  // the last half second is quiet
}

}  // namespace
