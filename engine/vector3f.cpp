// vector3f arithmetic that needs more than one expression.
#include "engine/vector3f.h"

#include <cmath>

// Sums are taken in double and rounded to float once, at the end.
float vector3f::quadratic_length() const {
    return static_cast<float>(double(x) * x + double(y) * y + double(z) * z);
}

float vector3f::length() const {
    return static_cast<float>(std::sqrt(double(x) * x + double(y) * y + double(z) * z));
}

void vector3f::normalize() {
    const float l = length();
    x /= l;
    y /= l;
    z /= l;
}

float distance(const vector3f& a, const vector3f& b) { return (a - b).length(); }

float dotProduct(const vector3f& a, const vector3f& b) {
    return static_cast<float>(double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z);
}

vector3f crossProduct(const vector3f& a, const vector3f& b) {
    return {static_cast<float>(double(a.y) * b.z - double(a.z) * b.y),
            static_cast<float>(double(a.z) * b.x - double(a.x) * b.z),
            static_cast<float>(double(a.x) * b.y - double(a.y) * b.x)};
}
