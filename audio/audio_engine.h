// Sound effects: a Sound is one OpenAL source fed by one buffer decoded from a WAV file;
// the global AudioEngine holds ten usable slots, and a new sound in a slot cuts the old one.
#pragma once

#include <list>

// The fields carry OpenAL's types under their plain C++ names (checked against
// <AL/al.h> in audio_engine.cpp), so code that plays sounds never includes OpenAL.

// One source and the buffer that feeds it. A slot is empty (names 0, alBuffer null),
// loaded (a live source), or released (names 0 again, alBuffer null). Every operation
// on an empty or released slot does nothing, so a name that OpenAL has since handed
// out to another slot is never touched.
class Sound {
public:
  bool positional = true;  // world coordinates (true) or relative to the listener
  float px = 0.0f, py = 0.0f, pz = 0.0f;
  float gain = 1.0f;         // OpenAL is given twice this value by Update
  float intensity = 1.0f;    // reference distance
  float attenuation = 1.0f;  // rolloff factor
  bool isMusic = false;
  int alFormatBuffer = 0;      // ALenum: sample format
  int alFreqBuffer = 0;        // ALsizei: sample rate in Hz
  int alBufferLen = 0;         // ALsizei: bytes of decoded sample data
  char alLoop = 0;             // ALboolean
  unsigned int alSource = 0;   // ALuint: source name, 0 for none
  unsigned int alSampleSet = 0;  // ALuint: buffer name, 0 for none
  // Non-null after a load whose file was read; null when empty, released, or when the
  // file could not be read. Only ever tested for null.
  char* alBuffer = nullptr;

  // Decodes fname into a new source and buffer (releasing what the slot held before).
  // An unreadable file gives an empty 16-bit mono 22050 Hz buffer and a null alBuffer.
  // The caller's looping flag decides looping, whatever the file says.
  void Load(const char* fname, bool looping);
  // Whether the source's state (AL_PLAYING, AL_STOPPED, ...) equals param; false
  // for every param when the slot holds no source.
  bool State(int param);
  void Update();
  void UpdateStatic();
  void SetSourceRelative();
  void Play();
  void Stop();
  void Pause();
  // Deletes the source and the buffer and forgets their names.
  void Destroy();
  void SetGain(float g);
  void SetProperties(float g, float ref_distance, float rolloff, bool is_positional);
  void SetPosition(float x, float y, float z);
};

// True when snd holds nothing or has stopped playing; a stopped sound is released on
// the way (Stop, then Destroy).
bool sound_dead(Sound& snd);

void SetListenerPosition(float x, float y, float z);
// Facing direction (fx, fy, fz), then up direction (ux, uy, uz).
void SetListenerOrientation(float fx, float fy, float fz, float ux, float uy, float uz);

// Directory prefix put in front of relative paths; empty, so paths resolve against the
// working directory.
extern char curr_absolute_path[512];
extern char retv_absolute_path[512];
// curr_absolute_path followed by path, at most 511 characters, in a buffer that the
// next call overwrites.
char* GetAbsPath(const char* path);

class AudioEngine {
public:
  Sound s[11];  // fixed slots; only 0 to 9 are reachable through spawn_static/kill_static
  std::list<Sound> d;  // dynamic sounds; nothing adds to it
  bool initialize_engine = false;

  void initialize();
  // Cuts whatever slot `buffer` plays, loads `file` into it and starts it. Slots
  // outside 0 to 9 are ignored.
  void spawn_static(int buffer, const char* file, bool loop);
  // Stops slot `buffer` and releases its source and buffer. Slots outside 0 to 9 are
  // ignored.
  void kill_static(int buffer);
};

// The one engine of the program (the class and the global share the name).
extern class AudioEngine AudioEngine;
// Whether sound effects are wanted; the callers test it, the engine does not.
extern bool enable_sfx;
