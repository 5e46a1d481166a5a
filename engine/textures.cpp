// Raw texture files: parsing, upload, and the asset globals loaded from Data/.
#include "engine/textures.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "engine/sprite_bounds.h"
#include "platform/regular_file.h"

GLuint font, background, eye_l, eye_r, hat, tree, cloud, circle;
GLuint owl[3], owl_ce[3];
GLuint button[2];
GLuint button_close, button_add, button_trash, button_check, button_arrow_u, button_arrow_d;
GLuint icns[9];
GLuint GUI[4];
GLuint notify_circle;

namespace {
int32_t ReadLe32(const unsigned char* p) {
    return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

// A regular file mapped read-only into memory for the length of one load; anything
// else in its place (a FIFO, a device) is neither waited on nor read.
class MappedFile {
public:
    explicit MappedFile(const char* path) {
        size_t size = 0;
        const int fd = OpenRegularFile(path, size, error_);
        if (fd < 0) return;
        if (size > 0) {
            void* p = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
            if (p == MAP_FAILED) {
                error_ = std::strerror(errno);
            } else {
                data_ = static_cast<const unsigned char*>(p);
                size_ = size;
            }
        }
        close(fd);
    }
    ~MappedFile() {
        if (data_) munmap(const_cast<unsigned char*>(data_), size_);
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    const unsigned char* data() const { return data_; }
    size_t size() const { return size_; }

private:
    const unsigned char* data_ = nullptr;
    size_t size_ = 0;
    std::string error_;
};

// An empty texture: one fully transparent texel, so nothing shows where it is drawn.
void UploadTransparent() {
    const unsigned char clear[4] = {0, 0, 0, 0};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, clear);
}
}  // namespace

bool CheckRawTexture(const unsigned char* data, size_t size, int32_t& w, int32_t& h, std::string& error) {
    if (size < 8) {
        error = "file too short for its sizes";
        return false;
    }
    w = ReadLe32(data);
    h = ReadLe32(data + 4);
    if (w <= 0 || h <= 0) {
        error = "width and height must be positive (" + std::to_string(w) + " x " + std::to_string(h) + ")";
        return false;
    }
    const uint64_t bytes = uint64_t(w) * uint64_t(h) * 4u;  // cannot overflow: both below 2^31
    if (bytes > size - 8) {
        error = "file holds fewer pixels than its sizes say (" + std::to_string(w) + " x " + std::to_string(h) + ")";
        return false;
    }
    return true;
}

bool ParseRawTexture(const unsigned char* data, size_t size, RawTexture& out, std::string& error) {
    int32_t w = 0, h = 0;
    if (!CheckRawTexture(data, size, w, h, error)) return false;
    out.w = w;
    out.h = h;
    out.pixels.assign(data + 8, data + 8 + size_t(w) * size_t(h) * 4u);
    return true;
}

bool ReadRawTexture(const char* path, RawTexture& out, std::string& error) {
    const MappedFile file(path);
    error = file.error();
    return file.ok() && ParseRawTexture(file.data(), file.size(), out, error);
}

bool ReadPlacement(const unsigned char* data, size_t size, int32_t w, int32_t h, Placement& out) {
    const size_t at = 8 + size_t(w) * size_t(h) * 4u;
    if (size < at + 24 || std::memcmp(data + at, "PLAC", 4) != 0) return false;
    Placement p;
    p.canvas_w = ReadLe32(data + at + 4);
    p.canvas_h = ReadLe32(data + at + 8);
    p.x0 = ReadLe32(data + at + 12);
    p.y0 = ReadLe32(data + at + 16);
    p.window_px = ReadLe32(data + at + 20);
    if (p.x0 < 0 || p.y0 < 0 || p.window_px <= 0 || int64_t(p.x0) + w > p.canvas_w ||
        int64_t(p.y0) + h > p.canvas_h)
        return false;
    out = p;
    return true;
}

namespace {
// A registered picture: where its texels are and how they are drawn; `uploaded` once
// GL holds them (or the transparent texel that stands in for a bad file).
struct Picture {
    std::string path;
    bool clamp = false, sprite = false, uploaded = false;
};
std::unordered_map<GLuint, Picture>& Pictures() {
    static std::unordered_map<GLuint, Picture> pictures;
    return pictures;
}

// Checks a mapped picture file: its header, its size against what GL allows. On
// failure `error` says why.
bool CheckPicture(const MappedFile& file, int32_t& w, int32_t& h, std::string& error) {
    error = file.error();
    if (!file.ok() || !CheckRawTexture(file.data(), file.size(), w, h, error)) return false;
    GLint max_size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_size);
    if (w > max_size || h > max_size) {
        error = std::to_string(w) + " x " + std::to_string(h) + " is larger than this GL allows (" +
                std::to_string(max_size) + ")";
        return false;
    }
    return true;
}

// The bounds of a picture stored cropped (its placement says so), in the whole
// picture; false for a picture that holds its whole canvas.
bool CroppedBounds(const MappedFile& file, int32_t w, int32_t h, SpriteBounds& b) {
    Placement place;
    if (!ReadPlacement(file.data(), file.size(), w, h, place)) return false;
    if (place.x0 == 0 && place.y0 == 0 && w == place.canvas_w && h == place.canvas_h) return false;
    b.u0 = float(place.x0) / place.canvas_w, b.u1 = float(place.x0 + w) / place.canvas_w;
    b.v0 = float(place.y0) / place.canvas_h, b.v1 = float(place.y0 + h) / place.canvas_h;
    b.cropped = true;
    return true;
}

// Uploads the picture of `t` (bound): the pixels go to GL straight from the mapped
// file, with no copy of our own. A file that fails its checks leaves the transparent
// texel and one line on standard error.
void UploadPicture(GLuint t, const Picture& p) {
    if (p.clamp) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    const MappedFile file(p.path.c_str());
    int32_t w = 0, h = 0;
    std::string error;
    if (!CheckPicture(file, w, h, error)) {
        std::fprintf(stderr, "strigolo: picture %s not loaded: %s\n", p.path.c_str(), error.c_str());
        UploadTransparent();
        return;
    }
    const unsigned char* pixels = file.data() + 8;
    SpriteBounds b;
    const bool cropped = CroppedBounds(file, w, h, b);
    if (cropped) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    // Where a whole sprite picture can show anything, so its quads skip the
    // transparent rest; a cropped one is drawn over its place only.
    if (cropped) RecordSpriteBounds(t, b);
    else if (p.sprite) RecordSpriteBounds(t, ComputeSpriteBounds(pixels, w, h, p.clamp));
}
}  // namespace

void RegisterPicture(GLuint& t, const char* path, bool clamp, bool sprite) {
    glGenTextures(1, &t);
    Picture& p = Pictures()[t];
    p = Picture{path, clamp, sprite, false};
    const MappedFile file(path);
    int32_t w = 0, h = 0;
    std::string error;
    SpriteBounds b;
    if (!CheckPicture(file, w, h, error)) {
        // Told now, at start-up, by the upload, and drawn as nothing from the first frame on.
        p.uploaded = true;
        glBindTexture(GL_TEXTURE_2D, t);
        UploadPicture(t, p);
    } else if (CroppedBounds(file, w, h, b)) {
        RecordSpriteBounds(t, b);  // the scene plans its layers by where each sprite can show
    }
}

void BindPicture(GLuint t) {
    glBindTexture(GL_TEXTURE_2D, t);
    const auto it = Pictures().find(t);
    if (it == Pictures().end() || it->second.uploaded) return;
    it->second.uploaded = true;
    UploadPicture(t, it->second);
}

void LoadAllTextures() {
    // Names in the fixed order; the sprites (drawn by the sprite quads) are marked.
    const bool kSprite = true;
    RegisterPicture(font, "Data/font", true);
    RegisterPicture(background, "Data/background");
    RegisterPicture(eye_l, "Data/eye_left", false, kSprite);
    RegisterPicture(eye_r, "Data/eye_right", false, kSprite);
    RegisterPicture(hat, "Data/hat", false, kSprite);
    RegisterPicture(owl[2], "Data/sleep", false, kSprite);
    RegisterPicture(owl_ce[2], "Data/sleep_close_eyes", false, kSprite);
    RegisterPicture(owl[0], "Data/stand_01", false, kSprite);
    RegisterPicture(owl_ce[0], "Data/stand_01_close_eyes", false, kSprite);
    RegisterPicture(owl[1], "Data/stand_02", false, kSprite);
    RegisterPicture(owl_ce[1], "Data/stand_02_close_eyes", false, kSprite);
    RegisterPicture(tree, "Data/tree", false, kSprite);
    RegisterPicture(cloud, "Data/cloud", false, kSprite);
    RegisterPicture(circle, "Data/circle", false, kSprite);
    RegisterPicture(button[0], "Data/button_uncheck");
    RegisterPicture(button[1], "Data/button_check");
    RegisterPicture(button_close, "Data/close");
    RegisterPicture(button_add, "Data/add");
    RegisterPicture(button_trash, "Data/trash");
    RegisterPicture(button_check, "Data/check");
    RegisterPicture(button_arrow_u, "Data/arrow_up");
    RegisterPicture(button_arrow_d, "Data/arrow_down");
    for (int i = 0; i < 9; ++i) {
        char path[128] = {};
        std::snprintf(path, sizeof path, "Data/ic%d", i + 1);
        RegisterPicture(icns[i], path);
    }
    RegisterPicture(GUI[0], "Data/GUI_01");
    RegisterPicture(GUI[1], "Data/GUI_02");
    GUI[2] = GUI[1];
    RegisterPicture(GUI[3], "Data/GUI_03");
    RegisterPicture(notify_circle, "Data/notify");
}
