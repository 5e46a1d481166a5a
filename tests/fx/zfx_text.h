// Builds effect-file text for the fx tests: the header and well-formed blocks.
#pragma once

#include <map>
#include <string>

namespace zfx_text {

inline std::string Header(int version = 2) { return "ZFX ver: " + std::to_string(version) + "\n"; }

// One block as the shipped files write it, a keyword a line: "texture: " and `texture`
// (width, height, blending, then the pixel values), then every keyword with the value
// here unless `set` gives another.
inline std::string Block(const std::map<std::string, std::string>& set = {},
                         const std::string& texture = "1 1 1\n255 255 255 255") {
    static const std::pair<std::string, std::string> keys[] = {
        {"particles_limit", "999"}, {"spawn_time", "0.5 1.5"}, {"spawn_particles", "2 4"},
        {"spawn_position", "-1 0 0 1 0.5 0"}, {"spawn_direction", "0 1 0 0.2 1 0"},
        {"particles_acceleration", "0 -2.5 0"}, {"particles_rotation", "-30 30"}, {"particle_random_rot", "0"},
        {"particles_speed", "0.5 1"}, {"particles_timelife", "2 3"}, {"particles_scale", "0.25 0.5"},
        {"particles_color_start", "255 250 240 200 190 180"}, {"particles_color_end", "10 20 30 40 50 60"},
        {"billboarding", "3"}, {"time_delay", "0.25"}, {"time_step", "4"}, {"loop", "1"}};
    std::string s = "texture: " + texture;
    for (const auto& [key, value] : keys) s += "\n" + key + ": " + (set.count(key) ? set.at(key) : value);
    return s + "\n";
}

}  // namespace zfx_text
