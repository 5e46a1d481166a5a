// Opening and closing the sound device: OpenAL Soft's default device and one context.
#pragma once

// Opens the default device, creates its context, makes it current and initialises
// AudioEngine. Without a usable device it prints one line on standard error and
// returns false; every sound operation then does nothing, and the program runs on.
bool OpenSoundDevice();
// Releases every slot of AudioEngine, then the context and the device. Harmless when
// nothing is open. The program itself never calls it; tests do, so that a recording
// device finishes its file.
void CloseSoundDevice();
