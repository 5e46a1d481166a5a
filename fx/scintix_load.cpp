// Loading an effect: the file's bytes go through the parser, then each emitter's
// inline texture is uploaded. The globals of the two effects live here.
#include <GL/gl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fx/scintix.h"
#include "fx/zfx_parser.h"
#include "platform/regular_file.h"

ScintixFX sleep_fx;
ScintixFX smoke_fx;

namespace ZFX {
float* watcher_x = nullptr;
float* watcher_y = nullptr;
float* watcher_z = nullptr;

void SetWatcher(float* x, float* y, float* z) {
    watcher_x = x;
    watcher_y = y;
    watcher_z = z;
}
}  // namespace ZFX

namespace {
// Our effect files are a few tens of kilobytes; anything past this is not one.
constexpr size_t kMaxEffectFileBytes = 16u * 1024 * 1024;

void report(const char* name, const std::string& why) {
    std::fprintf(stderr, "strigolo: particle effect %s not loaded: %s\n", name, why.c_str());
}
}  // namespace

bool ScintixFX::load_from_memory(const char* data, size_t size, const char* name) {
    std::vector<ZfxBlock> blocks;
    std::string error;
    if (!ParseZfx(data, size, blocks, error)) {
        report(name, error);
        return false;
    }
    FX.clear();  // the old emitters' textures stay allocated, as nothing reloads
    for (ZfxBlock& b : blocks) {
        ScintixParticlesFX& e = b.emitter;
        glGenTextures(1, &e.p_texture);
        glBindTexture(GL_TEXTURE_2D, e.p_texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, e.sizeX, e.sizeY, 0, GL_RGBA, GL_UNSIGNED_BYTE, b.pixels.data());
        FX.push_back(e);
    }
    return true;
}

bool ScintixFX::load(const char* path) {
    const FileRead file = ReadRegularFile(path, kMaxEffectFileBytes);
    switch (file.status) {
    case FileReadStatus::kRead:
        return load_from_memory(reinterpret_cast<const char*>(file.bytes.data()), file.bytes.size(), path);
    case FileReadStatus::kMissing: report(path, "cannot open it"); return false;
    case FileReadStatus::kTooLarge: report(path, "larger than 16 MiB"); return false;
    default: report(path, file.error); return false;
    }
}
