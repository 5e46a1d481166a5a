// vector3f: arithmetic that the scene's eye tracking and picking rely on.
#include "engine/vector3f.h"

#include <gtest/gtest.h>

TEST(Vector3f, ComponentWiseProductDiffersFromDotProduct) {
    const vector3f a(1, 2, 3), b(4, 5, 6);
    EXPECT_EQ(a * b, vector3f(4, 10, 18));
    EXPECT_FLOAT_EQ(dotProduct(a, b), 32.0f);
    EXPECT_EQ(a - b, vector3f(-3, -3, -3));
    EXPECT_EQ(b / a, vector3f(4, 2.5f, 2));
    EXPECT_EQ(2.0f * a, a * 2.0f);
    EXPECT_EQ(-a, vector3f(-1, -2, -3));
    vector3f c = a;
    c += b;
    c -= vector3f(1, 1, 1);
    EXPECT_EQ(c, vector3f(4, 6, 8));
    EXPECT_EQ(a, vector3f(1, 2, 3)) << "binary operators leave their operands unchanged";
}

TEST(Vector3f, LengthsAndNormalize) {
    EXPECT_EQ(vector3f().length(), 0.0f);
    vector3f v(3, 0, 4);
    EXPECT_FLOAT_EQ(v.length(), 5.0f);
    EXPECT_FLOAT_EQ(v.quadratic_length(), 25.0f);
    v.normalize();
    EXPECT_FLOAT_EQ(v.x, 0.6f);
    EXPECT_FLOAT_EQ(v.z, 0.8f);
    EXPECT_FLOAT_EQ(distance(vector3f(1, 1, 1), vector3f(4, 5, 1)), 5.0f);
}

TEST(Vector3f, CrossProductIsRightHanded) {
    EXPECT_EQ(crossProduct(vector3f(1, 0, 0), vector3f(0, 1, 0)), vector3f(0, 0, 1));
    EXPECT_EQ(crossProduct(vector3f(0, 1, 0), vector3f(1, 0, 0)), vector3f(0, 0, -1));
}

TEST(Vector3f, EqualityIsExact) {
    EXPECT_NE(vector3f(0.1f, 0, 0), vector3f(0.1000001f, 0, 0));
    EXPECT_EQ(vector3f(-0.0f, 0, 0), vector3f(0, 0, 0));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_NE(vector3f(nan, 0, 0), vector3f(nan, 0, 0));
}
