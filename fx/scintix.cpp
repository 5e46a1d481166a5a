// Emitter simulation without OpenGL: random batches, particle motion and ageing,
// the interpolation helpers and the colour each particle is drawn in.
#include "fx/scintix.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

// A random percentage 0 to 100 from the program's shared generator.
float random_rate() { return static_cast<float>(std::rand() % 101); }

// Float to int truncating toward zero; out of range (or NaN) gives INT_MIN, as the
// x86 conversion instruction does, instead of undefined behaviour.
int truncate_to_int(float v) {
    if (!(v > -2147483649.0f && v < 2147483648.0f)) return INT32_MIN;
    return static_cast<int>(v);
}

}  // namespace

float ScintixParticlesFX::Vector3d::length() const { return std::sqrt(x * x + y * y + z * z); }

void ScintixParticlesFX::Vector3d::normalize() {
    const float l = length();
    if (l == 0.0f) return;
    x /= l;
    y /= l;
    z /= l;
}

float ScintixParticlesFX::rate_interpole(float start, float end, float rate) const {
    return end / 100 * rate + start - start / 100 * rate;
}

float ScintixParticlesFX::get_rate(float val, float max) const {
    float r = val * 100 / max;
    if (r > 100) r = 100;
    if (r < 0) r = 0;
    return r;
}

bool dead_particle(const ScintixParticlesFX::Particle& particle) { return particle.life <= 0; }

int ScintixParticlesFX::get_active_particles() const {
    return static_cast<int>(std::count_if(particles.begin(), particles.end(),
                                          [](const Particle& p) { return !dead_particle(p); }));
}

int ScintixParticlesFX::get_inactive_particles() const {
    return static_cast<int>(std::count_if(particles.begin(), particles.end(), dead_particle));
}

float ScintixParticlesFX::Get3dDistance(float x, float y, float z, float a, float b, float c) const {
    return std::sqrt((x - a) * (x - a) + (y - b) * (y - b) + (z - c) * (z - c));
}

void ScintixParticlesFX::apply_billboard(float, float, float) {}

void ScintixParticlesFX::reset() {
    particles.clear();
    time_elapsed = 0;
    time_delay_elapsed = 0;
    global_time_elapsed = 0;
    lost_particles = 0;
    first_spawn = true;
}

void ScintixParticlesFX::spawn_particle(float scale) {
    const long limit = std::min(p_limit, kMaxParticles);
    for (int i = 0; i < spawn_p; ++i) {
        // Sixteen draws per particle, always in this order, kept or not.
        Particle p;
        p.pos.x = source.x + 2 * scale * rate_interpole(spawn_pos_min.x, spawn_pos_max.x, random_rate());
        p.pos.y = source.y + 2 * scale * rate_interpole(spawn_pos_min.y, spawn_pos_max.y, random_rate());
        p.pos.z = source.z + 2 * scale * rate_interpole(spawn_pos_min.z, spawn_pos_max.z, random_rate());
        p.rot = rate_interpole(p_rotation_min, p_rotation_max, random_rate());
        p.dir.x = rate_interpole(spawn_dir_min.x, spawn_dir_max.x, random_rate());
        p.dir.y = rate_interpole(spawn_dir_min.y, spawn_dir_max.y, random_rate());
        p.dir.z = rate_interpole(spawn_dir_min.z, spawn_dir_max.z, random_rate());
        p.dir.normalize();
        p.speed = rate_interpole(p_speed_min, p_speed_max, random_rate()) * scale;
        p.dir.x *= p.speed;
        p.dir.y *= p.speed;
        p.dir.z *= p.speed;
        p.life = rate_interpole(p_timelife_min, p_timelife_max, random_rate());
        p.life_max = p.life;
        p.scale = rate_interpole(p_scale_min, p_scale_max, random_rate()) * scale;
        p.color_s.r = rate_interpole(p_color_s_min.r, p_color_s_max.r, random_rate());
        p.color_s.g = rate_interpole(p_color_s_min.g, p_color_s_max.g, random_rate());
        p.color_s.b = rate_interpole(p_color_s_min.b, p_color_s_max.b, random_rate());
        p.color_e.r = rate_interpole(p_color_e_min.r, p_color_e_max.r, random_rate());
        p.color_e.g = rate_interpole(p_color_e_min.g, p_color_e_max.g, random_rate());
        p.color_e.b = rate_interpole(p_color_e_min.b, p_color_e_max.b, random_rate());
        if (static_cast<long>(particles.size()) < limit) particles.push_back(p);
    }
}

bool ScintixParticlesFX::advance(float x, float y, float z, float simulation_scale, float t) {
    if (!instance) return false;
    source = {x, y, z};
    time_elapsed += t;
    time_delay_elapsed += t;
    if (time_delay_elapsed < time_delay) return false;
    global_time_elapsed += t;

    const bool may_spawn = global_time_elapsed <= total_time_simulation || loop != 0;
    if (may_spawn && (time_elapsed >= spawn_time || first_spawn)) {
        spawn_time = rate_interpole(spawn_time_min, spawn_time_max, random_rate());
        spawn_p = truncate_to_int(rate_interpole(static_cast<float>(spawn_p_min), static_cast<float>(spawn_p_max),
                                                 random_rate()));
        if (spawn_p <= 0) spawn_p = 1;
        spawn_p = std::min(spawn_p, kMaxBatch);
        // Time past spawn_time is dropped: at most one batch per frame.
        time_elapsed = 0;
        first_spawn = false;
        spawn_particle(2 * simulation_scale);
    }

    // Dead ones go before anything moves: a particle born without life is never drawn.
    particles.remove_if(dead_particle);
    for (Particle& p : particles) {
        p.dir.x += p_acceleration.x * t * simulation_scale;
        p.dir.y += p_acceleration.y * t * simulation_scale;
        p.dir.z += p_acceleration.z * t * simulation_scale;
        p.pos.x += p.dir.x * t;
        p.pos.y += p.dir.y * t;
        p.pos.z += p.dir.z * t;
        p.life -= t;
    }
    return true;
}

void ParticleColor(const ScintixParticlesFX& emitter, const ScintixParticlesFX::Particle& particle,
                   GLubyte rgba[4]) {
    const float rate = emitter.get_rate(particle.life, particle.life_max);
    // Truncated toward zero to a 16-bit integer, of which the low 8 bits are drawn.
    auto channel = [](float v) { return static_cast<GLubyte>(static_cast<uint16_t>(truncate_to_int(v)) & 0xFF); };
    rgba[0] = channel(emitter.rate_interpole(particle.color_e.r, particle.color_s.r, rate));
    rgba[1] = channel(emitter.rate_interpole(particle.color_e.g, particle.color_s.g, rate));
    rgba[2] = channel(emitter.rate_interpole(particle.color_e.b, particle.color_s.b, rate));
    rgba[3] = channel(emitter.rate_interpole(0, 255, rate));
}
