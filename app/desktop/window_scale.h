// The window's scale: how many screen pixels stand for each pixel of the owl's
// 300-pixel window on a 96-dpi screen. From --scale, STRIGOLO_SCALE or the desktop's
// Xft.dpi, in steps of a quarter from 1 to 3.
#pragma once

#include <string>
#include <vector>

// A scale written by the user ("1.5", "2"): true, with `scale` rounded to the nearest
// quarter, for a number from 1 to 3; false for anything else.
bool ParseScale(const std::string& text, double& scale);

// The scale that suits a screen of `dpi` dots per inch: dpi / 96 to the nearest
// quarter, kept from 1 to 3.
double ScaleForDpi(double dpi);

// The value of resource `name` in a resource string as xrdb loads it
// ("Xft.dpi:\t192\n..."), without surrounding blanks; false when it is not there.
bool FindResource(const std::string& resources, const std::string& name, std::string& value);

// The scale to use: `cli` (--scale's value, nullptr when not given) beats `env`
// (STRIGOLO_SCALE, nullptr or empty when unset), which beats Xft.dpi in `resources`;
// 1 without any. A value that cannot be used adds one line to `warnings`, and the next
// source decides.
double ChooseScale(const char* cli, const char* env, const std::string& resources,
                   std::vector<std::string>& warnings);

// The side of the square window in pixels: 300 x scale, rounded.
int WindowSide(double scale);
