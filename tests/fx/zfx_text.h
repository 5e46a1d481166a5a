// Builds effect-file text for the fx tests: one well-formed block with chosen values.
#pragma once

#include <string>
#include <vector>

namespace zfx_text {

struct BlockValues {
    int w = 1, h = 1, black_alpha = 1;
    std::vector<int> pixels = {255, 255, 255, 255};
    std::string limit = "999", spawn_time = "0.5 1.5", spawn_particles = "2 4", position = "-1 0 0 1 0.5 0",
                direction = "0 1 0 0.2 1 0", acceleration = "0 -2.5 0", rotation = "-30 30", random_rot = "0",
                speed = "0.5 1", timelife = "2 3", scale = "0.25 0.5", color_start = "255 250 240 200 190 180",
                color_end = "10 20 30 40 50 60", billboarding = "3", time_delay = "0.25", time_step = "4",
                loop = "1";
};

inline std::string Header(int version = 2) { return "ZFX ver: " + std::to_string(version) + "\n"; }

// The block as the shipped files write it: one keyword per line.
inline std::string Block(const BlockValues& v) {
    std::string s = "texture: " + std::to_string(v.w) + " " + std::to_string(v.h) + " " +
                    std::to_string(v.black_alpha) + "\n";
    for (int p : v.pixels) s += std::to_string(p) + " ";
    const std::pair<const char*, const std::string*> keys[] = {
        {"particles_limit", &v.limit}, {"spawn_time", &v.spawn_time}, {"spawn_particles", &v.spawn_particles},
        {"spawn_position", &v.position}, {"spawn_direction", &v.direction},
        {"particles_acceleration", &v.acceleration}, {"particles_rotation", &v.rotation},
        {"particle_random_rot", &v.random_rot}, {"particles_speed", &v.speed}, {"particles_timelife", &v.timelife},
        {"particles_scale", &v.scale}, {"particles_color_start", &v.color_start},
        {"particles_color_end", &v.color_end}, {"billboarding", &v.billboarding}, {"time_delay", &v.time_delay},
        {"time_step", &v.time_step}, {"loop", &v.loop}};
    for (const auto& [key, value] : keys) s += std::string("\n") + key + ": " + *value;
    return s + "\n";
}

}  // namespace zfx_text
