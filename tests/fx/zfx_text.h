// Builds effect-file text for the fx tests: one well-formed block with chosen values.
#pragma once

#include <string>
#include <vector>

namespace zfx_text {

struct BlockValues {
    int w = 1, h = 1, black_alpha = 1;
    std::vector<int> pixels = {255, 255, 255, 255};
    std::string limit = "999";
    std::string spawn_time = "0.5 1.5";
    std::string spawn_particles = "2 4";
    std::string position = "-1 0 0 1 0.5 0";
    std::string direction = "0 1 0 0.2 1 0";
    std::string acceleration = "0 -2.5 0";
    std::string rotation = "-30 30";
    std::string random_rot = "0";
    std::string speed = "0.5 1";
    std::string timelife = "2 3";
    std::string scale = "0.25 0.5";
    std::string color_start = "255 250 240 200 190 180";
    std::string color_end = "10 20 30 40 50 60";
    std::string billboarding = "3";
    std::string time_delay = "0.25";
    std::string time_step = "4";
    std::string loop = "1";
};

inline std::string Header(int version = 2) { return "ZFX ver: " + std::to_string(version) + "\n"; }

// The block as the shipped files write it: one keyword per line.
inline std::string Block(const BlockValues& v) {
    std::string s = "texture: " + std::to_string(v.w) + " " + std::to_string(v.h) + " " +
                    std::to_string(v.black_alpha) + "\n";
    for (int p : v.pixels) s += std::to_string(p) + " ";
    s += "\nparticles_limit: " + v.limit;
    s += "\nspawn_time: " + v.spawn_time;
    s += "\nspawn_particles: " + v.spawn_particles;
    s += "\nspawn_position: " + v.position;
    s += "\nspawn_direction: " + v.direction;
    s += "\nparticles_acceleration: " + v.acceleration;
    s += "\nparticles_rotation: " + v.rotation;
    s += "\nparticle_random_rot: " + v.random_rot;
    s += "\nparticles_speed: " + v.speed;
    s += "\nparticles_timelife: " + v.timelife;
    s += "\nparticles_scale: " + v.scale;
    s += "\nparticles_color_start: " + v.color_start;
    s += "\nparticles_color_end: " + v.color_end;
    s += "\nbillboarding: " + v.billboarding;
    s += "\ntime_delay: " + v.time_delay;
    s += "\ntime_step: " + v.time_step;
    s += "\nloop: " + v.loop + "\n";
    return s;
}

}  // namespace zfx_text
