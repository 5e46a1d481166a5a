// The engine's slots against real OpenAL Soft on its null device, pausing the device
// while nothing plays, and sound files swapped for a FIFO while they load. (That a FIFO
// or a folder in place at the start is never read: the calendar file test and
// tests/e2e/test_window.py, through the same reader.)
#include <AL/al.h>
#include <AL/alc.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <thread>

#include "audio/audio_engine.h"
#include "audio/sound_device.h"

// Chosen before OpenAL reads its configuration (on the first device call).
static const bool null_driver = setenv("ALSOFT_DRIVERS", "null", 1) == 0;
static const std::string long_tone = STRIGOLO_DATA_DIR "/laugh.wav", short_tone = STRIGOLO_DATA_DIR "/right.wav";

// OpenAL Soft hands out small consecutive names: the live ones among the first hundred.
static int LiveSources() {
    int n = 0;
    for (ALuint id = 1; id <= 100; ++id) n += alIsSource(id) ? 1 : 0;
    return n;
}
static ALint BufferSize(ALuint source) {
    ALint buffer = 0, size = -1;
    alGetSourcei(source, AL_BUFFER, &buffer), alGetBufferi(static_cast<ALuint>(buffer), AL_SIZE, &size);
    return size;
}
// Whether the source moves on through its samples within `seconds`: it stands still
// while the device is paused.
static bool PlaysOnWithin(const Sound& s, double seconds) {
    ALint start = -1;
    alGetSourcei(s.alSource, AL_SAMPLE_OFFSET, &start);
    ALint now = start;
    for (double waited = 0; waited < seconds && now == start; waited += 0.02)
        std::this_thread::sleep_for(std::chrono::milliseconds(20)), alGetSourcei(s.alSource, AL_SAMPLE_OFFSET, &now);
    return now != start;
}

class SoundSlots : public testing::Test {
    void SetUp() override { ASSERT_TRUE(null_driver && OpenSoundDevice()); }
    void TearDown() override { CloseSoundDevice(); }
};

// Slot 0 plays the long sound; then `file` is spawned in `slot`: what slot 0 holds, its
// buffer the samples after a 44-byte header.
// An unreadable file (missing, or text) cuts the sound and gives a silent slot that looks
// released; slots outside 0 to 9 are ignored.
TEST_F(SoundSlots, ASpawnCutsTheSlotsSoundAndOtherSlotsAreIgnored) {
    const ALint long_size = std::filesystem::file_size(long_tone) - 44;
    const ALint short_size = std::filesystem::file_size(short_tone) - 44;
    EXPECT_EQ(alcGetCurrentContext(), nullptr);  // no mixer before the first sound
    // A sound past 16 MiB (its header copied from a good one) is not read at all.
    const std::string big = testing::TempDir() + "strigolo-big.wav";
    std::filesystem::copy_file(short_tone, big, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::resize_file(big, (16u << 20) + 1);
    struct { std::string file; int slot; bool playing; ALint size; } rows[] = {
        {short_tone, 0, true, short_size}, {short_tone, -1, true, long_size}, {short_tone, 10, true, long_size},
        {STRIGOLO_DATA_DIR "/missing.wav", 0, false, 0}, {STRIGOLO_DATA_DIR "/sleep.zfx", 0, false, 0},
        {big, 0, false, 0}};
    for (const auto& r : rows) {
        AudioEngine.spawn_static(0, long_tone.c_str(), false), AudioEngine.spawn_static(r.slot, r.file.c_str(), false);
        Sound& s0 = AudioEngine.s[0];
        EXPECT_TRUE(s0.State(AL_PLAYING) == r.playing && BufferSize(s0.alSource) == r.size) << r.file << " " << r.slot;
        // one live source: the first is deleted, not silenced, and none made for an ignored slot
        EXPECT_TRUE(LiveSources() == 1 && (s0.alBuffer == nullptr) != r.playing && sound_dead(s0) != r.playing);
    }
}

TEST_F(SoundSlots, AReleasedSlotNeverTouchesItsReusedNameAndKillingTwiceChangesNothing) {
    AudioEngine.spawn_static(0, long_tone.c_str(), false);
    const ALuint old_name = AudioEngine.s[0].alSource;
    AudioEngine.kill_static(0), AudioEngine.spawn_static(1, long_tone.c_str(), false);
    Sound &s0 = AudioEngine.s[0], &s1 = AudioEngine.s[1];
    ASSERT_EQ(s1.alSource, old_name);  // OpenAL handed the freed name to slot 1
    AudioEngine.kill_static(0), s0.Stop(), s0.Pause(), s0.SetGain(0.0f), s0.Update(), s0.Destroy();
    ALfloat gain = 0.0f;
    alGetSourcef(s1.alSource, AL_GAIN, &gain);
    EXPECT_TRUE(s1.State(AL_PLAYING) && gain == 1.0f && LiveSources() == 1);
}

// Each row: a call while a slot plays (the device runs on and the quiet starts afresh: a
// busy 5 s counted as quiet would pause the first row), then seconds of quiet in two
// calls: whether a source started straight in OpenAL plays.
TEST_F(SoundSlots, TheDevicePausesAfterASecondOfQuietAndASpawnResumesIt) {
    AudioEngine.spawn_static(1, long_tone.c_str(), false);
    Sound& s1 = AudioEngine.s[1];
    for (const auto& [busy, quiet, plays] : {std::tuple{5.0f, 0.6f, true}, {0.1f, 1.0f, false}}) {
        PauseSoundWhenQuiet(busy), s1.Stop(), PauseSoundWhenQuiet(quiet / 2), PauseSoundWhenQuiet(quiet / 2), s1.Play();
        EXPECT_EQ(PlaysOnWithin(s1, plays ? 2.0 : 0.3), plays) << quiet;
    }
    AudioEngine.spawn_static(0, short_tone.c_str(), false);
    EXPECT_TRUE(PlaysOnWithin(AudioEngine.s[0], 2.0) && PlaysOnWithin(s1, 2.0)) << "not resumed";
}

// The sound's name taken in turns by a good file and a FIFO with no writer, as fast as a
// second thread can rename them, while the slot loads it for two seconds: no load waits on the
// FIFO. (A load that opens the name a second time after checking it would: the FIFO is
// then opened for writing to let it go.)
TEST_F(SoundSlots, ASoundSwappedForAFifoWhileLoadingIsNeverWaitedOn) {
    std::string dir = testing::TempDir() + "strigolo-swap-XXXXXX";
    ASSERT_NE(mkdtemp(&dir[0]), nullptr);  // a name of its own: a pid may be reused by a later run
    const std::string name = dir + "/notify.wav", fifo = dir + "/fifo", good = dir + "/good";
    std::filesystem::copy_file(short_tone, name);
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    std::atomic<bool> done{false};
    std::thread swapper([&] {
        for (bool to_fifo = true; !done; to_fifo = !to_fifo) {
            std::rename(name.c_str(), (to_fifo ? good : fifo).c_str());
            std::rename((to_fifo ? fifo : good).c_str(), name.c_str());
        }
    });
    auto loads = std::async(std::launch::async, [&] {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (std::chrono::steady_clock::now() < end) AudioEngine.spawn_static(0, name.c_str(), false);
    });
    const bool finished = loads.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    done = true;
    swapper.join();
    for (int i = 0; !finished && loads.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready; ++i)
        for (const std::string& f : {name, fifo}) close(open(f.c_str(), O_WRONLY | O_NONBLOCK));
    EXPECT_TRUE(finished);
    std::filesystem::remove_all(dir);
}
