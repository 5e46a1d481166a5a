// Opening and closing the sound device: OpenAL Soft's default device and one context.
#pragma once

// Opens the default device and initialises AudioEngine; true when a device opened.
// Without one it prints one line on standard error and returns false; every sound
// operation then does nothing, and the program runs on. The device's context (with
// OpenAL Soft's mixer and its voices, some 9 MB) is made by the first sound, through
// ResumeSound; a device that fails then says so in one line and sound is off.
bool OpenSoundDevice();
// OpenAL Soft mixes (and its output thread wakes) all the time a context is open,
// also when nothing plays. Called on every tick with the tick's `dt` in seconds,
// PauseSoundWhenQuiet pauses the device (where it can be paused) once no slot of
// AudioEngine has played for kQuietBeforePause; spawn_static calls ResumeSound before
// it starts a sound, which makes the context or resumes the device. Harmless without
// a device.
constexpr float kQuietBeforePause = 1.0f;
void PauseSoundWhenQuiet(float dt);
void ResumeSound();
// Releases every slot of AudioEngine, then the context and the device. Harmless when
// nothing is open. The program itself never calls it; tests do, so that a recording
// device finishes its file.
void CloseSoundDevice();
