// The engine's slots against real OpenAL Soft on its null device, pausing the device
// while nothing plays, and the seven shipped sound effects decoded as the engine
// decodes them.
#include <AL/al.h>
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

// Chosen before OpenAL reads its configuration (on the first device call).
static const bool null_driver = setenv("ALSOFT_DRIVERS", "null", 1) == 0;
static const std::string dir = ScratchDir("slots"), long_tone = dir + "/long.wav", short_tone = dir + "/short.wav";
static const bool files_made = (WriteToneWav(long_tone, 3.0, 440.0, 44100),  // 264600 bytes
                                WriteToneWav(short_tone, 1.0, 660.0, 22050),  // 44100 bytes
                                std::ofstream(dir + "/text.wav") << "not a sound at all\n",
                                mkfifo((dir + "/fifo.wav").c_str(), 0644) == 0);  // would block a waiting reader

// OpenAL Soft hands out small consecutive names: the live ones among the first hundred.
static int LiveSources() {
    int n = 0;
    for (ALuint id = 1; id <= 100; ++id) n += alIsSource(id) ? 1 : 0;
    return n;
}
static ALint BufferSize(ALuint source) {
    ALint buffer = 0, size = -1;
    alGetSourcei(source, AL_BUFFER, &buffer);
    alGetBufferi(static_cast<ALuint>(buffer), AL_SIZE, &size);
    return size;
}
// Whether the source moves on through its samples within `seconds`: it stands still
// while the device is paused.
static bool PlaysOnWithin(const Sound& s, double seconds) {
    ALint start = -1, now = -1;
    alGetSourcei(s.alSource, AL_SAMPLE_OFFSET, &start);
    for (double waited = 0; waited < seconds; waited += 0.02) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        alGetSourcei(s.alSource, AL_SAMPLE_OFFSET, &now);
        if (now != start) return true;
    }
    return false;
}

class SoundSlots : public testing::Test {
    void SetUp() override { ASSERT_TRUE(null_driver && files_made && OpenSoundDevice()); }
    void TearDown() override { CloseSoundDevice(); }
};

// Slot 0 plays the long tone; then `file` is spawned in `slot` (and that slot killed
// when it is not 0): what slot 0 holds. An unreadable file cuts the sound and gives a
// silent slot that looks released; slots outside 0 to 9 are ignored.
TEST_F(SoundSlots, ASpawnCutsTheSlotsSoundAndOtherSlotsAreIgnored) {
    struct { std::string file; int slot; bool playing; ALint size; } rows[] = {
        {short_tone, 0, true, 44100}, {short_tone, -1, true, 264600}, {short_tone, 10, true, 264600},
        {short_tone, INT_MIN, true, 264600}, {dir + "/missing.wav", 0, false, 0}, {dir + "/text.wav", 0, false, 0},
        {dir, 0, false, 0}, {dir + "/fifo.wav", 0, false, 0}};
    for (const auto& r : rows) {
        AudioEngine.spawn_static(0, long_tone.c_str(), false);
        AudioEngine.spawn_static(r.slot, r.file.c_str(), false);
        if (r.slot) AudioEngine.kill_static(r.slot);
        Sound& s0 = AudioEngine.s[0];
        EXPECT_TRUE(s0.State(AL_PLAYING) == r.playing && BufferSize(s0.alSource) == r.size) << r.file << " " << r.slot;
        EXPECT_EQ(LiveSources(), 1) << "the first source is deleted, not merely silenced";
        EXPECT_TRUE((s0.alBuffer == nullptr) != r.playing && sound_dead(s0) != r.playing) << r.file;
    }
    EXPECT_EQ(AudioEngine.s[10].alSource, 0u);
}

TEST_F(SoundSlots, AReleasedSlotNeverTouchesItsReusedNameAndKillingTwiceChangesNothing) {
    AudioEngine.spawn_static(0, long_tone.c_str(), false);
    const ALuint old_name = AudioEngine.s[0].alSource;
    AudioEngine.kill_static(0);
    EXPECT_EQ(LiveSources(), 0);
    AudioEngine.spawn_static(1, long_tone.c_str(), false);
    Sound &s0 = AudioEngine.s[0], &s1 = AudioEngine.s[1];
    ASSERT_EQ(s1.alSource, old_name);  // OpenAL handed the freed name to slot 1
    AudioEngine.kill_static(0);
    s0.Stop(), s0.Pause(), s0.SetGain(0.0f), s0.Update(), s0.Destroy();
    ALfloat gain = 0.0f;
    alGetSourcef(s1.alSource, AL_GAIN, &gain);
    EXPECT_TRUE(s1.State(AL_PLAYING) && gain == 1.0f && LiveSources() == 1);
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

// Decoded with freealut as the engine does: mono 16-bit, short, not clipped, loud
// enough and within 3 dB of each other; prints the figures of each file.
TEST(SoundAssets, SevenEffectsDecodeWithinTheirLimits) {
    std::vector<double> loudness;
    for (const std::string name : {"notify", "question", "laugh", "right", "wrong_1", "wrong_2", "wrong_3"}) {
        ALenum format = 0;
        ALsizei size = 0, rate = 0;
        ALboolean loop = AL_FALSE;
        void* data = nullptr;
        const std::string path = STRIGOLO_DATA_DIR "/" + name + ".wav";
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        alutLoadWAVFile(reinterpret_cast<ALbyte*>(const_cast<char*>(path.c_str())), &format, &data, &size, &rate, &loop);
        ASSERT_NE(data, nullptr) << name;
        const std::vector<int16_t> s(static_cast<int16_t*>(data), static_cast<int16_t*>(data) + size / 2);
        alutUnloadWAV(format, data, size, rate);
#pragma GCC diagnostic pop
        double peak = 0, acc = 0, loudest = 0;  // loudest: the largest sum of squares over 300 ms
        for (size_t i = 0, window = size_t(0.3 * rate); i < s.size(); ++i) {
            peak = std::max(peak, std::abs(s[i]) / 32767.0);
            acc += (double(s[i]) * s[i] - (i >= window ? double(s[i - window]) * s[i - window] : 0)) / (32767.0 * 32767.0);
            loudest = std::max(loudest, acc);
        }
        const double seconds = double(s.size()) / rate, db = 10 * std::log10(loudest / std::min(s.size(), size_t(0.3 * rate)));
        EXPECT_TRUE(format == AL_FORMAT_MONO16 && (rate == 22050 || rate == 44100)) << name << " " << rate;
        EXPECT_TRUE(seconds <= (name == "laugh" ? 15.5 : 3.0) && peak < 0.9 && db > -20.0) << name;
        loudness.push_back(db);
        std::printf("%-9s %5.2f s  peak %6.1f dBFS  loudest 300 ms %6.1f dBFS RMS\n", name.c_str(), seconds,
                    20 * std::log10(peak), db);
    }
    const auto [lo, hi] = std::minmax_element(loudness.begin(), loudness.end());
    EXPECT_LT(*hi - *lo, 3.0) << "loudness differs by " << *hi - *lo << " dB";
}
