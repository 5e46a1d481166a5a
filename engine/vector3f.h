// vector3f: the one point-and-direction type: scene positions, button centres,
// the point under the pointer, the particle watcher.
#pragma once

struct vector3f {
    float x = 0.0f, y = 0.0f, z = 0.0f;

    vector3f() = default;
    vector3f(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

    void set(float x_, float y_, float z_) { x = x_; y = y_; z = z_; }
    float length() const;
    float quadratic_length() const;
    // Divides by length(); the caller never passes a zero vector.
    void normalize();

    vector3f operator+(const vector3f& b) const { return {x + b.x, y + b.y, z + b.z}; }
    vector3f operator-(const vector3f& b) const { return {x - b.x, y - b.y, z - b.z}; }
    vector3f operator*(const vector3f& b) const { return {x * b.x, y * b.y, z * b.z}; }
    vector3f operator/(const vector3f& b) const { return {x / b.x, y / b.y, z / b.z}; }
    vector3f operator*(float s) const { return {x * s, y * s, z * s}; }
    vector3f operator/(float s) const { return {x / s, y / s, z / s}; }
    vector3f operator+() const { return *this; }
    vector3f operator-() const { return {-x, -y, -z}; }
    vector3f& operator+=(const vector3f& b) { x += b.x; y += b.y; z += b.z; return *this; }
    vector3f& operator-=(const vector3f& b) { x -= b.x; y -= b.y; z -= b.z; return *this; }
    bool operator==(const vector3f& b) const { return x == b.x && y == b.y && z == b.z; }
    bool operator!=(const vector3f& b) const { return !(*this == b); }
};

inline vector3f operator*(float s, const vector3f& a) { return a * s; }

float distance(const vector3f& a, const vector3f& b);
float dotProduct(const vector3f& a, const vector3f& b);
vector3f crossProduct(const vector3f& a, const vector3f& b);
