// Test helpers for sound: writing small 16-bit WAV files and reading 16-bit PCM back
// (including the recordings of OpenAL Soft's wave-file device), with level figures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A 16-bit mono sine of `seconds` at `hz`, amplitude `level` (fraction of full scale),
// with 5 ms fades, at `rate` samples per second.
void WriteToneWav(const std::string& path, double seconds, double hz, int rate, double level = 0.5);

struct PcmWav {
  bool ok = false;           // RIFF/WAVE with a 16-bit PCM fmt chunk and a data chunk
  int channels = 0;
  int rate = 0;              // Hz
  uint32_t data_declared = 0;  // size field of the data chunk, bytes
  uint32_t data_present = 0;   // bytes really in the file after the data header
  std::vector<int16_t> samples;  // interleaved, at most what is really present
};
PcmWav ReadPcmWav(const std::string& path);

// Largest |sample| as a fraction of full scale (32767).
double PeakLevel(const std::vector<int16_t>& s);
// RMS of the loudest stretch of `window` samples (all of s when shorter), full scale 1.
double LoudestWindowRms(const std::vector<int16_t>& s, size_t window);
// Indices of the first and last sample whose magnitude exceeds `threshold` (fraction
// of full scale); {-1, -1} when none does.
std::pair<long, long> AudibleSpan(const std::vector<int16_t>& s, double threshold);

// A fresh directory under the test temporary directory, unique to this process.
std::string ScratchDir(const std::string& name);
