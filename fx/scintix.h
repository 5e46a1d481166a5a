// Particle effects: an effect (ScintixFX) is a list of emitters (ScintixParticlesFX)
// read from one ".zfx" text file; each emitter spawns, moves and draws its particles.
#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <list>

class ScintixParticlesFX {
public:
    struct Vector3d {
        float x = 0.0f, y = 0.0f, z = 0.0f;
        float length() const;
        // Leaves a zero vector unchanged.
        void normalize();
    };
    // One colour on the 0 to 255 scale per channel.
    struct ColorRGB {
        float r = 255.0f, g = 255.0f, b = 255.0f;
    };
    struct Particle {
        Vector3d pos;        // in the caller's model-view frame
        Vector3d dir;        // velocity, units per second
        float rot = 0;       // degrees about z, fixed for the particle's life
        float speed = 0;     // drawn at birth, kept for reference only
        float life = 0;      // seconds left
        float life_max = 0;  // seconds at birth
        float scale = 0;     // half the side of the particle's square
        ColorRGB color_s;    // colour at birth
        ColorRGB color_e;    // colour at death
    };

    float source_x = 0, source_y = 0, source_z = 0;  // unused
    int sizeX = 0, sizeY = 0;            // texture size in pixels
    GLuint p_texture = 0;
    int black_alpha = 0;  // non-zero: alpha blending; 0: additive
    int p_rand_rot = 0;
    int loop = 1;
    int p_limit = 999;
    float spawn_time = 0.02f;  // seconds until the next batch, drawn per batch
    float spawn_time_min = 0.02f, spawn_time_max = 0.02f;
    int spawn_p = 1;  // size of the current batch
    int spawn_p_min = 1, spawn_p_max = 1;
    Vector3d source;
    Vector3d spawn_pos_min, spawn_pos_max;
    Vector3d spawn_dir_min, spawn_dir_max;
    Vector3d p_acceleration;
    float p_rotation_min = 0, p_rotation_max = 0;  // degrees
    float p_speed_min = 0, p_speed_max = 0;
    float p_timelife_min = 0, p_timelife_max = 0;  // seconds
    float p_scale_min = 1.0f, p_scale_max = 1.0f;
    ColorRGB p_color_s_min, p_color_s_max;
    ColorRGB p_color_e_min, p_color_e_max;
    int billboarding = 3;  // read from the file, has no effect
    int lost_particles = 0;
    bool instance = false;  // true once the emitter's block has been read
    float time_delay = 0;              // seconds
    float total_time_simulation = 0;   // seconds of spawning when loop is 0
    float store_total_time_simulation = 0;
    float time_elapsed = 0;            // seconds since the last batch
    float time_delay_elapsed = 0;      // seconds since the last reset
    float global_time_elapsed = 0;     // seconds simulated since the delay ran out
    bool first_spawn = true;
    std::list<Particle> particles;     // oldest first

    // Hard bounds that keep a damaged file from stalling a frame or filling memory:
    // the largest batch spawned in one frame, and the most particles alive at once.
    static constexpr int kMaxBatch = 100000;
    static constexpr int kMaxParticles = 100000;

    ScintixParticlesFX() = default;
    ScintixParticlesFX(const ScintixParticlesFX&) = default;
    ScintixParticlesFX& operator=(const ScintixParticlesFX&) = default;

    // One frame: advance by simulation_time seconds and draw at (x, y, z) of the
    // current model-view frame.
    void render(float x, float y, float z, float simulation_scale, float simulation_time);
    // The simulation half of render, without any OpenGL call: spawning, pruning,
    // motion and ageing. Returns false when render draws nothing (not loaded, or
    // still inside the delay).
    bool advance(float x, float y, float z, float simulation_scale, float simulation_time);
    void reset();
    // One batch of spawn_p particles around `source`; `scale` multiplies offsets,
    // speeds and sizes.
    void spawn_particle(float scale);
    // A textured square of half-side l in the x-y plane.
    void render_particle(float l);
    float rate_interpole(float start, float end, float rate) const;
    float get_rate(float val, float max) const;
    int get_active_particles() const;
    int get_inactive_particles() const;
    float Get3dDistance(float x, float y, float z, float a, float b, float c) const;
    void apply_billboard(float x, float y, float z);
};

bool dead_particle(const ScintixParticlesFX::Particle& particle);

// The colour a particle is drawn in: start colour with its whole life left, end
// colour and alpha 0 with none; each channel truncated to an integer and its low
// 8 bits kept.
void ParticleColor(const ScintixParticlesFX& emitter, const ScintixParticlesFX::Particle& particle,
                   GLubyte rgba[4]);

class ScintixFX {
public:
    std::list<ScintixParticlesFX> FX;
    bool turned_off = false;

    // Reads an effect file. False, with the emitters kept and one line on standard
    // error naming the file, when it can't be read or is damaged (see fx/zfx_parser.h).
    // Needs a current OpenGL context: each emitter uploads its texture.
    bool load(const char* path);
    // The same from bytes in memory; `name` is used in the error line.
    bool load_from_memory(const char* data, size_t size, const char* name);
    void render(float x, float y, float z, float scale, float global_time);
    void reset();
};

namespace ZFX {
// The viewer's position; stored for completeness, drawing does not use it.
extern float* watcher_x;
extern float* watcher_y;
extern float* watcher_z;
void SetWatcher(float* x, float* y, float* z);
}  // namespace ZFX

extern ScintixFX sleep_fx;  // "Data/sleep.zfx", shown while the owl sleeps
extern ScintixFX smoke_fx;  // "Data/smoke.zfx", shown while a question is offered
