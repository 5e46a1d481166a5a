// Sound slots over OpenAL: WAV decoding with freealut from bytes we read ourselves, one
// source and one buffer per slot, and the engine's ten usable slots.
#include "audio/audio_engine.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alut.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <type_traits>

#include "audio/sound_device.h"
#include "platform/regular_file.h"

// The header spells OpenAL's types as plain C++ types; the loader writes through
// pointers to these fields, so they must be the very same types.
static_assert(std::is_same_v<decltype(Sound::alFormatBuffer), ALenum>);
static_assert(std::is_same_v<decltype(Sound::alFreqBuffer), ALsizei>);
static_assert(std::is_same_v<decltype(Sound::alBufferLen), ALsizei>);
static_assert(std::is_same_v<decltype(Sound::alLoop), ALboolean>);
static_assert(std::is_same_v<decltype(Sound::alSource), ALuint>);
static_assert(std::is_same_v<decltype(Sound::px), ALfloat>);

class AudioEngine AudioEngine;
bool enable_sfx = true;
char curr_absolute_path[512] = "";
char retv_absolute_path[512] = "";

namespace {

// What alBuffer points at once the decoded samples have been handed to OpenAL and
// freed: a non-null mark that never dangles.
char loaded_mark = 0;

// Our sounds are a few hundred kilobytes; 16 MiB is a minute and a half of CD sound.
constexpr size_t kMaxSoundBytes = 16u << 20;

// Says once per file why it gives no sound: it plays again every 35 s.
void TellUnreadable(const char* fname, const std::string& why) {
  static std::set<std::string> told;
  if (told.insert(fname).second) std::fprintf(stderr, "strigolo: sound %s not loaded: %s\n", fname, why.c_str());
}

// The sound in `fname` as a new buffer of the current context, decoded by freealut from
// the bytes read through the descriptor that was checked to be a regular file (so a FIFO
// swapped in after the check is never opened by name); its format, rate and size go to
// `snd`. 0 when it cannot be read, is larger than kMaxSoundBytes or cannot be decoded.
ALuint DecodeWav(const char* fname, Sound& snd) {
  const FileRead file = ReadRegularFile(fname, kMaxSoundBytes);
  if (file.status != FileReadStatus::kRead) {
    if (file.status != FileReadStatus::kMissing) TellUnreadable(fname, file.error);
    return 0;
  }
  // freealut only decodes here: the device and context stay ours (sound_device.cpp).
  static const bool alut_ready = alutInitWithoutContext(nullptr, nullptr) == AL_TRUE;
  if (!alut_ready || alcGetCurrentContext() == nullptr) return 0;
  const ALuint buffer = alutCreateBufferFromFileImage(file.bytes.data(), ALsizei(file.bytes.size()));
  if (buffer == AL_NONE) {
    TellUnreadable(fname, alutGetErrorString(alutGetError()));
    return 0;
  }
  ALint channels = 1, bits = 16, rate = 22050, size = 0;
  alGetBufferi(buffer, AL_CHANNELS, &channels);
  alGetBufferi(buffer, AL_BITS, &bits);
  alGetBufferi(buffer, AL_FREQUENCY, &rate);
  alGetBufferi(buffer, AL_SIZE, &size);
  snd.alFormatBuffer = channels == 2 ? (bits == 8 ? AL_FORMAT_STEREO8 : AL_FORMAT_STEREO16)
                                     : (bits == 8 ? AL_FORMAT_MONO8 : AL_FORMAT_MONO16);
  snd.alFreqBuffer = rate;
  snd.alBufferLen = size;
  return buffer;
}

}  // namespace

void Sound::Load(const char* fname, bool looping) {
  if (fname == nullptr) return;
  // A second load into a loaded slot would otherwise leave the old source alive.
  Stop();
  Destroy();
  alLoop = looping ? AL_TRUE : AL_FALSE;
  ALuint source = 0, samples = DecodeWav(fname, *this);
  alBuffer = samples != 0 ? &loaded_mark : nullptr;
  if (samples == 0) {  // the empty sound: a slot that plays nothing and looks released
    alFormatBuffer = AL_FORMAT_MONO16;
    alFreqBuffer = 22050;
    alBufferLen = 0;
    alGenBuffers(1, &samples);
    if (samples != 0) alBufferData(samples, alFormatBuffer, nullptr, 0, alFreqBuffer);
  }
  alGenSources(1, &source);
  alSource = source;
  alSampleSet = samples;
  if (alSource != 0) alSourcei(alSource, AL_BUFFER, static_cast<ALint>(alSampleSet));
  if (alSource != 0) alSourcei(alSource, AL_LOOPING, looping ? AL_TRUE : AL_FALSE);
  SetSourceRelative();
}

bool Sound::State(int param) {
  if (alSource == 0) return false;
  ALint state = 0;
  alGetSourcei(alSource, AL_SOURCE_STATE, &state);
  return state == param;
}

void Sound::Update() {
  if (alSource == 0) return;
  alSourcei(alSource, AL_SOURCE_RELATIVE, positional ? AL_FALSE : AL_TRUE);
  alSource3f(alSource, AL_POSITION, px, py, pz);
  alSourcef(alSource, AL_GAIN, gain + gain);
  alSourcef(alSource, AL_REFERENCE_DISTANCE, intensity);
  alSourcef(alSource, AL_ROLLOFF_FACTOR, attenuation);
  alSourcef(alSource, AL_PITCH, 1.0f);
}

void Sound::UpdateStatic() { Update(); }

void Sound::SetSourceRelative() {
  if (alSource != 0) alSourcei(alSource, AL_SOURCE_RELATIVE, AL_TRUE);
}

void Sound::Play() {
  if (alSource != 0) alSourcePlay(alSource);
}

void Sound::Stop() {
  if (alSource != 0) alSourceStop(alSource);
}

void Sound::Pause() {
  if (alSource != 0) alSourcePause(alSource);
}

void Sound::Destroy() {
  // The source goes first: a buffer still attached to a source cannot be deleted.
  if (alSource != 0) alDeleteSources(1, &alSource);
  if (alSampleSet != 0) alDeleteBuffers(1, &alSampleSet);
  alSource = 0;
  alSampleSet = 0;
  alBuffer = nullptr;
}

void Sound::SetGain(float g) {
  if (alSource != 0) alSourcef(alSource, AL_GAIN, g + g);
}

void Sound::SetProperties(float g, float ref_distance, float rolloff, bool is_positional) {
  if (alSource == 0) return;
  alSourcef(alSource, AL_GAIN, g + g);
  alSourcef(alSource, AL_REFERENCE_DISTANCE, ref_distance);
  alSourcef(alSource, AL_ROLLOFF_FACTOR, rolloff);
  // A positional source lives in world coordinates, the others move with the listener.
  alSourcei(alSource, AL_SOURCE_RELATIVE, is_positional ? AL_FALSE : AL_TRUE);
}

void Sound::SetPosition(float x, float y, float z) {
  if (alSource != 0) alSource3f(alSource, AL_POSITION, x, y, z);
}

bool sound_dead(Sound& snd) {
  if (snd.alBuffer == nullptr) return true;
  if (snd.State(AL_PLAYING)) return false;
  snd.Stop();
  snd.Destroy();
  return true;
}

void SetListenerPosition(float x, float y, float z) { alListener3f(AL_POSITION, x, y, z); }

void SetListenerOrientation(float fx, float fy, float fz, float ux, float uy, float uz) {
  const ALfloat v[6] = {fx, fy, fz, ux, uy, uz};
  alListenerfv(AL_ORIENTATION, v);
}

char* GetAbsPath(const char* path) {
  std::memset(retv_absolute_path, 0, sizeof retv_absolute_path);
  std::snprintf(retv_absolute_path, sizeof retv_absolute_path, "%s%s", curr_absolute_path,
                path ? path : "");
  return retv_absolute_path;
}

void AudioEngine::initialize() {
  if (!initialize_engine) initialize_engine = true;
}

void AudioEngine::spawn_static(int buffer, const char* file, bool loop) {
  initialize();
  if (buffer < 0 || buffer > 9) return;
  s[buffer].Stop();
  s[buffer].Destroy();
  ResumeSound();  // the first sound makes the context; a paused device would hold it back
  s[buffer].Load(file, loop);
  s[buffer].Play();
}

void AudioEngine::kill_static(int buffer) {
  initialize();
  if (buffer < 0 || buffer > 9) return;
  s[buffer].Stop();
  s[buffer].Destroy();
}
