// The sound device and context of the whole program, opened once at start-up.
#include "audio/sound_device.h"

#include <AL/alc.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "audio/audio_engine.h"

namespace {

ALCdevice* Device = nullptr;
ALCcontext* Context = nullptr;

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

}  // namespace

// Device, context, current context, then the engine's flag; the engine is marked
// initialised whether or not a device opened.
bool OpenSoundDevice() {
  if (Context == nullptr) {
    Device = OpenDefaultDeviceQuietly();
    if (Device == nullptr) {
      SoundIsOff("no sound device");
    } else {
      Context = alcCreateContext(Device, nullptr);
      if (Context == nullptr || !alcMakeContextCurrent(Context)) {
        if (Context != nullptr) alcDestroyContext(Context);
        alcCloseDevice(Device);
        Context = nullptr;
        Device = nullptr;
        SoundIsOff("the sound device cannot be used");
      }
    }
  }
  AudioEngine.initialize();
  return Context != nullptr;
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
}
