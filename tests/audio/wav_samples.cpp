// WAV writing and reading for the sound tests; the reader trusts no size field
// beyond the bytes that are really in the file.
#include "wav_samples.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

void Put32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void Put16(std::string& out, uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}
uint32_t Get32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t Get16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

}  // namespace

void WriteToneWav(const std::string& path, double seconds, double hz, int rate, double level) {
  const size_t n = static_cast<size_t>(seconds * rate);
  const double fade = 0.005 * rate;
  std::string data;
  for (size_t i = 0; i < n; ++i) {
    double env = std::min({1.0, i / fade, (n - 1 - i) / fade});
    double v = level * env * std::sin(2 * M_PI * hz * i / rate);
    Put16(data, static_cast<uint16_t>(static_cast<int16_t>(std::lround(v * 32767))));
  }
  std::string out = "RIFF";
  Put32(out, static_cast<uint32_t>(36 + data.size()));
  out += "WAVEfmt ";
  Put32(out, 16);
  Put16(out, 1);  // PCM
  Put16(out, 1);  // mono
  Put32(out, static_cast<uint32_t>(rate));
  Put32(out, static_cast<uint32_t>(rate * 2));
  Put16(out, 2);
  Put16(out, 16);
  out += "data";
  Put32(out, static_cast<uint32_t>(data.size()));
  out += data;
  std::ofstream(path, std::ios::binary).write(out.data(), static_cast<std::streamsize>(out.size()));
}

PcmWav ReadPcmWav(const std::string& path) {
  PcmWav w;
  std::ifstream in(path, std::ios::binary);
  std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVE", 4) != 0)
    return w;
  bool have_fmt = false;
  size_t pos = 12;
  while (pos + 8 <= b.size()) {
    const unsigned char* chunk = b.data() + pos;
    uint32_t size = Get32(chunk + 4);
    size_t avail = b.size() - pos - 8;
    if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= 16 && avail >= 16) {
      uint16_t tag = Get16(chunk + 8);
      w.channels = Get16(chunk + 10);
      w.rate = static_cast<int>(Get32(chunk + 12));
      uint16_t bits = Get16(chunk + 22);
      // 1 is plain PCM; 0xFFFE is the extensible form that carries PCM too.
      have_fmt = (tag == 1 || tag == 0xFFFE) && bits == 16 && w.channels > 0;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      w.data_declared = size;
      w.data_present = static_cast<uint32_t>(std::min<size_t>(avail, UINT32_MAX));
      size_t usable = std::min<size_t>(size, avail) / 2;
      w.samples.resize(usable);
      for (size_t i = 0; i < usable; ++i)
        w.samples[i] = static_cast<int16_t>(Get16(chunk + 8 + 2 * i));
      w.ok = have_fmt;
      return w;
    }
    if (size > avail) break;
    pos += 8 + size + (size & 1);
  }
  return w;
}

double PeakLevel(const std::vector<int16_t>& s) {
  int peak = 0;
  for (int16_t v : s) peak = std::max(peak, std::abs(static_cast<int>(v)));
  return peak / 32767.0;
}

double LoudestWindowRms(const std::vector<int16_t>& s, size_t window) {
  if (s.empty()) return 0.0;
  window = std::min(window, s.size());
  auto sq = [&](size_t i) { double v = s[i] / 32767.0; return v * v; };
  double acc = 0.0;
  for (size_t i = 0; i < window; ++i) acc += sq(i);
  double best = acc;
  for (size_t i = window; i < s.size(); ++i) {
    acc += sq(i) - sq(i - window);
    best = std::max(best, acc);
  }
  return std::sqrt(std::max(best, 0.0) / window);
}

std::pair<long, long> AudibleSpan(const std::vector<int16_t>& s, double threshold) {
  long first = -1, last = -1;
  for (size_t i = 0; i < s.size(); ++i) {
    if (std::abs(s[i] / 32767.0) > threshold) {
      if (first < 0) first = static_cast<long>(i);
      last = static_cast<long>(i);
    }
  }
  return {first, last};
}

std::string ScratchDir(const std::string& name) {
  std::string dir = testing::TempDir() + "strigolo_" + name + "_" + std::to_string(getpid());
  ::mkdir(dir.c_str(), 0700);
  return dir;
}
