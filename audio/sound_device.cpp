// The sound device and context of the whole program, opened once at start-up.
#include "audio/sound_device.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "audio/audio_engine.h"

namespace {

ALCdevice* Device = nullptr;
ALCcontext* Context = nullptr;
// ALC_SOFT_pause_device, when the device offers it, and whether we paused it.
LPALCDEVICEPAUSESOFT device_pause = nullptr;
LPALCDEVICERESUMESOFT device_resume = nullptr;
bool paused = false;
float quiet = 0.0f;  // seconds without a slot playing

// On a machine without a sound card the audio libraries write a dozen lines of their
// own while failing to open it; our single line says all the user needs, so their
// standard error is muted for the duration of the open.
ALCdevice* OpenDefaultDeviceQuietly() {
  std::fflush(stderr);
  int saved = dup(STDERR_FILENO);
  int null_fd = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (saved >= 0 && null_fd >= 0) dup2(null_fd, STDERR_FILENO);
  ALCdevice* device = alcOpenDevice(nullptr);
  std::fflush(stderr);
  if (saved >= 0) {
    dup2(saved, STDERR_FILENO);
    close(saved);
  }
  if (null_fd >= 0) close(null_fd);
  return device;
}

void SoundIsOff(const char* why) {
  std::fprintf(stderr, "strigolo: %s, sound is off\n", why);
}

// The context of the open device, made current; on failure the device is closed and
// sound is off.
void CreateContext() {
  Context = alcCreateContext(Device, nullptr);
  if (Context != nullptr && alcMakeContextCurrent(Context)) return;
  if (Context != nullptr) alcDestroyContext(Context);
  alcCloseDevice(Device);
  Context = nullptr;
  Device = nullptr;
  device_pause = nullptr;
  device_resume = nullptr;
  SoundIsOff("the sound device cannot be used");
}

}  // namespace

// The device, then the engine's flag; the engine is marked initialised whether or not
// a device opened. The context waits for the first sound (ResumeSound).
bool OpenSoundDevice() {
  if (Device == nullptr) {
    Device = OpenDefaultDeviceQuietly();
    if (Device == nullptr) SoundIsOff("no sound device");
    // OpenAL Soft's wave writer (1.19) leaves its file position at the header when
    // paused and writes over the start of its recording when resumed: a recording
    // device gets its context at once and keeps running.
    const ALCchar* name = Device ? alcGetString(Device, ALC_ALL_DEVICES_SPECIFIER) : nullptr;
    const bool recording = name != nullptr && std::strcmp(name, "Wave File Writer") == 0;
    if (recording) {
      CreateContext();
    } else if (Device != nullptr && alcIsExtensionPresent(Device, "ALC_SOFT_pause_device")) {
      device_pause = reinterpret_cast<LPALCDEVICEPAUSESOFT>(alcGetProcAddress(Device, "alcDevicePauseSOFT"));
      device_resume = reinterpret_cast<LPALCDEVICERESUMESOFT>(alcGetProcAddress(Device, "alcDeviceResumeSOFT"));
    }
  }
  AudioEngine.initialize();
  return Device != nullptr;
}

void PauseSoundWhenQuiet(float dt) {
  if (paused || Context == nullptr || device_pause == nullptr || device_resume == nullptr) return;
  for (Sound& snd : AudioEngine.s) {
    if (snd.State(AL_PLAYING)) {
      quiet = 0.0f;
      return;
    }
  }
  quiet += dt;
  if (quiet < kQuietBeforePause) return;
  device_pause(Device);
  paused = true;
}

void ResumeSound() {
  quiet = 0.0f;
  if (Device != nullptr && Context == nullptr) CreateContext();
  if (!paused) return;
  device_resume(Device);
  paused = false;
}

void CloseSoundDevice() {
  // Names die with the context; a slot must not keep one that a later context may
  // hand out again.
  for (Sound& snd : AudioEngine.s) {
    snd.Stop();
    snd.Destroy();
  }
  if (Context != nullptr) {
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(Context);
  }
  if (Device != nullptr) alcCloseDevice(Device);
  Context = nullptr;
  Device = nullptr;
  device_pause = nullptr;
  device_resume = nullptr;
  paused = false;
  quiet = 0.0f;
}
