// Opening and closing the sound device: OpenAL Soft's default device and one context.
#pragma once

// Opens the default device, creates its context, makes it current and initialises
// AudioEngine. Without a usable device it prints one line on standard error and
// returns false; every sound operation then does nothing, and the program runs on.
bool OpenSoundDevice();
// OpenAL Soft mixes (and its output thread wakes) all the time a device is open,
// also when nothing plays. Called on every tick with the tick's `dt` in seconds,
// PauseSoundWhenQuiet pauses the device (where it can be paused) once no slot of
// AudioEngine has played for kQuietBeforePause; spawn_static resumes it, through
// ResumeSound, before it starts a sound. Harmless without a device.
constexpr float kQuietBeforePause = 1.0f;
void PauseSoundWhenQuiet(float dt);
void ResumeSound();
// Releases every slot of AudioEngine, then the context and the device. Harmless when
// nothing is open. The program itself never calls it; tests do, so that a recording
// device finishes its file.
void CloseSoundDevice();
