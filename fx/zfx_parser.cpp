// The ".zfx" reader: a small formatted-input scanner over a byte buffer with the
// matching rules of C's fscanf, and the block layout built on it.
#include "fx/zfx_parser.h"

#include <cstdint>
#include <cstdlib>
#include <initializer_list>

namespace {

// Where one conversion writes: an int for %d, a float for %f.
struct Slot {
    int* i = nullptr;
    float* f = nullptr;
    Slot(int* p) : i(p) {}
    Slot(float* p) : f(p) {}
};

enum class Scan { complete, ended, mismatch };

bool is_space(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool is_digit(int c) { return c >= '0' && c <= '9'; }

class Scanner {
public:
    Scanner(const unsigned char* begin, const unsigned char* end) : p_(begin), end_(end) {}

    // True once a read has tried to go past the last byte (C's feof).
    bool at_eof() const { return eof_; }
    size_t remaining() const { return static_cast<size_t>(end_ - p_); }

    bool raw(unsigned char& c) {
        if (peek() < 0) return false;
        c = *p_++;
        return true;
    }

    // Matches `fmt` as fscanf would, writing each conversion into the next slot as
    // soon as it is read. A white-space character matches any run of white space;
    // %d and %f skip white space first; any other character must match exactly.
    // Stops at the first failure: `ended` when the input ran out, `mismatch` when a
    // character didn't fit (that character is not consumed).
    Scan scan(const char* fmt, std::initializer_list<Slot> slots) {
        const Slot* slot = slots.begin();
        for (const char* f = fmt; *f; ++f) {
            if (is_space(static_cast<unsigned char>(*f))) {
                skip_space();
            } else if (*f == '%' && (f[1] == 'd' || f[1] == 'f')) {
                const bool is_int = f[1] == 'd';
                ++f;
                Scan s = is_int ? read_int(*slot->i) : read_float(*slot->f);
                if (s != Scan::complete) return s;
                ++slot;
            } else {
                int c = peek();
                if (c < 0) return Scan::ended;
                if (c != static_cast<unsigned char>(*f)) return Scan::mismatch;
                ++p_;
            }
        }
        return Scan::complete;
    }

private:
    int peek() {
        if (p_ == end_) {
            eof_ = true;
            return -1;
        }
        return *p_;
    }
    void skip_space() {
        while (is_space(peek())) ++p_;
    }
    Scan fail() { return peek() < 0 ? Scan::ended : Scan::mismatch; }

    // Decimal with an optional sign. Like glibc, the value saturates at 64 bits and
    // is then truncated to the int.
    Scan read_int(int& out) {
        skip_space();
        int c = peek();
        if (c < 0) return Scan::ended;
        bool negative = false;
        if (c == '+' || c == '-') {
            negative = c == '-';
            ++p_;
        }
        if (!is_digit(peek())) return fail();
        uint64_t magnitude = 0;
        bool saturated = false;
        while (is_digit(peek())) {
            const unsigned digit = static_cast<unsigned>(*p_++ - '0');
            if (magnitude > (UINT64_MAX - digit) / 10) saturated = true;
            else magnitude = magnitude * 10 + digit;
        }
        int64_t value;
        if (saturated) value = negative ? INT64_MIN : INT64_MAX;
        else if (negative) value = magnitude > uint64_t{INT64_MAX} ? INT64_MIN : -static_cast<int64_t>(magnitude);
        else value = magnitude > uint64_t{INT64_MAX} ? INT64_MAX : static_cast<int64_t>(magnitude);
        out = static_cast<int>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
        return Scan::complete;
    }

    // Decimal notation: sign, digits with an optional point, optional exponent.
    Scan read_float(float& out) {
        skip_space();
        if (peek() < 0) return Scan::ended;
        std::string token;
        auto take = [&] { token.push_back(static_cast<char>(*p_++)); };
        if (peek() == '+' || peek() == '-') take();
        size_t digits = 0;
        while (is_digit(peek())) { take(); ++digits; }
        if (peek() == '.') {
            take();
            while (is_digit(peek())) { take(); ++digits; }
        }
        if (digits == 0) return fail();
        if (peek() == 'e' || peek() == 'E') {
            take();
            if (peek() == '+' || peek() == '-') take();
            if (!is_digit(peek())) return fail();
            while (is_digit(peek())) take();
        }
        out = std::strtof(token.c_str(), nullptr);
        return Scan::complete;
    }

    const unsigned char* p_;
    const unsigned char* end_;
    bool eof_ = false;
};

// Reads one block into `block`. Returns ended (the file ran out inside or right
// after the block: keep it and stop), complete, or mismatch (damaged file).
Scan read_block(Scanner& in, ZfxBlock& block, size_t& pixel_budget, std::string& error) {
    ScintixParticlesFX& e = block.emitter;
    Scan s = in.scan("texture: %d %d %d ", {&e.sizeX, &e.sizeY, &e.black_alpha});
    if (s == Scan::mismatch) {
        error = "expected \"texture:\" and three integers";
        return s;
    }
    if (e.sizeX < 0 || e.sizeY < 0) {
        error = "negative texture size";
        return Scan::mismatch;
    }
    // Every value takes at least one byte, so a block can't hold more values than
    // the bytes left, and all blocks together no more than the whole file.
    uint64_t count = 0;
    if (__builtin_mul_overflow(static_cast<uint64_t>(e.sizeX), static_cast<uint64_t>(e.sizeY), &count) ||
        __builtin_mul_overflow(count, uint64_t{4}, &count) || count > in.remaining() || count > pixel_budget) {
        error = "texture " + std::to_string(e.sizeX) + " x " + std::to_string(e.sizeY) +
                " is larger than the file could hold";
        return Scan::mismatch;
    }
    pixel_budget -= count;
    block.pixels.assign(count + 1, 0);
    for (uint64_t i = 0; i < count; ++i) {
        int value = 0;  // a value that can't be read stays 0
        in.scan("%d ", {&value});
        block.pixels[i] = static_cast<unsigned char>(value & 0xFF);
    }
    if (s == Scan::ended) return s;

    // Keywords in their fixed order; each runs only while the ones before matched.
    const char* failed_format = nullptr;
    auto keyword = [&](const char* format, std::initializer_list<Slot> slots) {
        if (s != Scan::complete) return;
        s = in.scan(format, slots);
        if (s == Scan::mismatch) failed_format = format;
    };
    keyword("particles_limit: %d", {&e.p_limit});
    keyword("\nspawn_time: %f %f", {&e.spawn_time_min, &e.spawn_time_max});
    keyword("\nspawn_particles: %d %d", {&e.spawn_p_min, &e.spawn_p_max});
    keyword("\nspawn_position: %f %f %f %f %f %f", {&e.spawn_pos_min.x, &e.spawn_pos_min.y, &e.spawn_pos_min.z,
                                                    &e.spawn_pos_max.x, &e.spawn_pos_max.y, &e.spawn_pos_max.z});
    keyword("\nspawn_direction: %f %f %f %f %f %f", {&e.spawn_dir_min.x, &e.spawn_dir_min.y, &e.spawn_dir_min.z,
                                                     &e.spawn_dir_max.x, &e.spawn_dir_max.y, &e.spawn_dir_max.z});
    keyword("\nparticles_acceleration: %f %f %f", {&e.p_acceleration.x, &e.p_acceleration.y, &e.p_acceleration.z});
    keyword("\nparticles_rotation: %f %f", {&e.p_rotation_min, &e.p_rotation_max});
    keyword("\nparticle_random_rot: %d", {&e.p_rand_rot});
    keyword("\nparticles_speed: %f %f", {&e.p_speed_min, &e.p_speed_max});
    keyword("\nparticles_timelife: %f %f", {&e.p_timelife_min, &e.p_timelife_max});
    keyword("\nparticles_scale: %f %f", {&e.p_scale_min, &e.p_scale_max});
    keyword("\nparticles_color_start: %f %f %f %f %f %f", {&e.p_color_s_min.r, &e.p_color_s_min.g, &e.p_color_s_min.b,
                                                           &e.p_color_s_max.r, &e.p_color_s_max.g, &e.p_color_s_max.b});
    keyword("\nparticles_color_end: %f %f %f %f %f %f", {&e.p_color_e_min.r, &e.p_color_e_min.g, &e.p_color_e_min.b,
                                                         &e.p_color_e_max.r, &e.p_color_e_max.g, &e.p_color_e_max.b});
    keyword("\nbillboarding: %d", {&e.billboarding});
    keyword("\ntime_delay: %f", {&e.time_delay});
    keyword("\ntime_step: %f", {&e.total_time_simulation});
    keyword("\nloop: %d\n", {&e.loop});
    if (failed_format) {
        std::string name(failed_format[0] == '\n' ? failed_format + 1 : failed_format);
        error = "expected \"" + name.substr(0, name.find(':') + 1) + "\" and its values";
    }
    return s;
}

}  // namespace

bool ParseZfx(const char* data, size_t size, std::vector<ZfxBlock>& blocks, std::string& error) {
    blocks.clear();
    const auto* begin = reinterpret_cast<const unsigned char*>(data);
    Scanner in(begin, begin + size);

    unsigned char magic[3] = {0, 0, 0};
    if (!in.raw(magic[0]) || !in.raw(magic[1]) || !in.raw(magic[2]) || magic[0] != 'Z' || magic[1] != 'F' ||
        magic[2] != 'X') {
        error = "not an effect file (no \"ZFX\" at its start)";
        return false;
    }
    int version = -1;
    in.scan(" ver: %d\n", {&version});
    if (version != 2) {
        error = "unsupported version " + std::to_string(version);
        return false;
    }

    size_t pixel_budget = size;
    while (!in.at_eof()) {
        blocks.emplace_back();
        Scan s = read_block(in, blocks.back(), pixel_budget, error);
        if (s == Scan::mismatch) {
            error = "block " + std::to_string(blocks.size()) + ": " + error;
            blocks.clear();
            return false;
        }
        ScintixParticlesFX& e = blocks.back().emitter;
        e.store_total_time_simulation = e.total_time_simulation;
        e.instance = true;
        if (s == Scan::ended) break;
    }
    return true;
}
