// The engine's slots against real OpenAL Soft on its null device, pausing the device
// while nothing plays, and the seven shipped sound effects decoded as the engine
// decodes them.
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alut.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "audio/audio_engine.h"
#include "audio/sound_device.h"
#include "wav_samples.h"

namespace {

// Chosen before OpenAL reads its configuration (on the first device call).
const bool null_driver = setenv("ALSOFT_DRIVERS", "null", 1) == 0;

// OpenAL Soft hands out small consecutive names: the live ones among the first hundred.
int LiveSources() {
    int n = 0;
    for (ALuint id = 1; id <= 100; ++id) n += alIsSource(id) ? 1 : 0;
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
        WriteToneWav(dir + "/long.wav", 3.0, 440.0, 44100);   // 264600 bytes
        WriteToneWav(dir + "/short.wav", 1.0, 660.0, 22050);  // 44100 bytes
        std::ofstream(dir + "/text.wav") << "not a sound at all\n";
        mkfifo((dir + "/fifo.wav").c_str(), 0644);  // would block a reader that waits for a writer
    }
    void SetUp() override {
        ASSERT_TRUE(null_driver);
        ASSERT_TRUE(OpenSoundDevice());
        long_tone = dir + "/long.wav";
        short_tone = dir + "/short.wav";
    }
    void TearDown() override { CloseSoundDevice(); }
    static std::string dir;
    std::string long_tone, short_tone;
};
std::string SoundSlots::dir;

TEST_F(SoundSlots, ASecondSpawnCutsTheFirst) {
    EXPECT_EQ(alcGetCurrentContext(), nullptr);  // no mixer before the first sound
    AudioEngine.spawn_static(0, long_tone.c_str(), false);
    Sound& s0 = AudioEngine.s[0];
    EXPECT_TRUE(s0.State(AL_PLAYING));
    EXPECT_EQ(BufferSize(s0.alSource), 264600);
    AudioEngine.spawn_static(0, short_tone.c_str(), false);
    EXPECT_TRUE(s0.State(AL_PLAYING));
    EXPECT_EQ(BufferSize(s0.alSource), 44100);
    EXPECT_EQ(LiveSources(), 1);  // the first source is deleted, not merely silenced
}

TEST_F(SoundSlots, AReleasedSlotNeverTouchesItsReusedNameAndKillingTwiceChangesNothing) {
    AudioEngine.spawn_static(0, long_tone.c_str(), false);
    const ALuint old_name = AudioEngine.s[0].alSource;
    AudioEngine.kill_static(0);
    EXPECT_EQ(LiveSources(), 0);
    AudioEngine.spawn_static(1, long_tone.c_str(), false);
    Sound& s1 = AudioEngine.s[1];
    ASSERT_EQ(s1.alSource, old_name);  // OpenAL handed the freed name to slot 1
    AudioEngine.kill_static(0);
    Sound& s0 = AudioEngine.s[0];
    s0.Stop(), s0.Pause(), s0.SetGain(0.0f), s0.Update(), s0.Destroy();
    EXPECT_TRUE(s1.State(AL_PLAYING));
    ALfloat gain = 0.0f;
    alGetSourcef(s1.alSource, AL_GAIN, &gain);
    EXPECT_FLOAT_EQ(gain, 1.0f);
    EXPECT_EQ(LiveSources(), 1);
}

// Samples of its buffer a source has played; stands still while the device is paused.
ALint Played(const Sound& s) {
    ALint offset = -1;
    alGetSourcei(s.alSource, AL_SAMPLE_OFFSET, &offset);
    return offset;
}
bool PlaysOnWithin(const Sound& s, double seconds) {
    const ALint start = Played(s);
    for (double waited = 0; waited < seconds; waited += 0.02) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (Played(s) != start) return true;
    }
    return false;
}

TEST_F(SoundSlots, TheDevicePausesAfterASecondOfQuietAndASpawnResumesIt) {
    AudioEngine.spawn_static(1, long_tone.c_str(), false);
    Sound& s1 = AudioEngine.s[1];
    PauseSoundWhenQuiet(5.0f);  // a slot plays: the device runs on
    EXPECT_TRUE(PlaysOnWithin(s1, 2.0));
    s1.Stop();
    PauseSoundWhenQuiet(0.6f);
    s1.Play();  // straight to OpenAL: plays only while the device runs
    EXPECT_TRUE(PlaysOnWithin(s1, 2.0)) << "paused after 0.6 s of quiet";
    s1.Stop();
    PauseSoundWhenQuiet(0.5f), PauseSoundWhenQuiet(0.5f);
    s1.Play();
    EXPECT_FALSE(PlaysOnWithin(s1, 0.3)) << "still running after 1 s of quiet";
    AudioEngine.spawn_static(0, short_tone.c_str(), false);
    EXPECT_TRUE(PlaysOnWithin(AudioEngine.s[0], 2.0) && PlaysOnWithin(s1, 2.0)) << "not resumed";
}

TEST_F(SoundSlots, SlotsOutsideZeroToNineDoNothing) {
    AudioEngine.spawn_static(0, long_tone.c_str(), false);
    const ALuint name = AudioEngine.s[0].alSource;
    for (int slot : {-1, 10, INT_MIN}) {
        AudioEngine.spawn_static(slot, short_tone.c_str(), false);
        AudioEngine.kill_static(slot);
    }
    EXPECT_EQ(AudioEngine.s[0].alSource, name);
    EXPECT_TRUE(AudioEngine.s[0].State(AL_PLAYING));
    EXPECT_EQ(AudioEngine.s[10].alSource, 0u);
    EXPECT_EQ(LiveSources(), 1);
}

TEST_F(SoundSlots, AnUnreadableFileGivesASilentReleasedLookingSlot) {
    for (const std::string& bad : {dir + "/missing.wav", dir + "/text.wav", dir, dir + "/fifo.wav"}) {
        SCOPED_TRACE(bad);
        AudioEngine.spawn_static(0, long_tone.c_str(), false);
        AudioEngine.spawn_static(0, bad.c_str(), false);
        Sound& s0 = AudioEngine.s[0];
        EXPECT_EQ(s0.alBuffer, nullptr);
        EXPECT_EQ(BufferSize(s0.alSource), 0);
        EXPECT_FALSE(s0.State(AL_PLAYING));
        EXPECT_TRUE(sound_dead(s0));
        EXPECT_EQ(LiveSources(), 1);  // the long tone was cut
    }
}

// Decoded with freealut as the engine does; prints the figures of each file.
TEST(SoundAssets, SevenEffectsDecodeWithinTheirLimits) {
    std::vector<double> loudness;
    for (const char* name : {"notify", "question", "laugh", "right", "wrong_1", "wrong_2", "wrong_3"}) {
        SCOPED_TRACE(name);
        ALenum format = 0;
        ALsizei size = 0, rate = 0;
        ALboolean loop = AL_FALSE;
        void* data = nullptr;
        const std::string path = std::string(STRIGOLO_DATA_DIR "/") + name + ".wav";
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        alutLoadWAVFile(reinterpret_cast<ALbyte*>(const_cast<char*>(path.c_str())), &format, &data, &size, &rate, &loop);
        ASSERT_NE(data, nullptr);
        const std::vector<int16_t> s(static_cast<int16_t*>(data), static_cast<int16_t*>(data) + size / 2);
        alutUnloadWAV(format, data, size, rate);
#pragma GCC diagnostic pop
        EXPECT_EQ(format, AL_FORMAT_MONO16);
        EXPECT_TRUE(rate == 22050 || rate == 44100) << rate;
        const double seconds = double(s.size()) / rate, peak = PeakLevel(s);
        EXPECT_LE(seconds, std::string(name) == "laugh" ? 15.5 : 3.0);
        EXPECT_LT(peak, 0.9);
        const double db = 20 * std::log10(LoudestWindowRms(s, size_t(0.3 * rate)));
        EXPECT_GT(db, -20.0);
        loudness.push_back(db);
        std::printf("%-9s %5.2f s  peak %6.1f dBFS  loudest 300 ms %6.1f dBFS RMS\n", name, seconds,
                    20 * std::log10(peak), db);
    }
    const auto [lo, hi] = std::minmax_element(loudness.begin(), loudness.end());
    EXPECT_LT(*hi - *lo, 3.0) << "loudness differs by " << *hi - *lo << " dB";
}

}  // namespace
