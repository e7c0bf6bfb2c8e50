#pragma once

#include "geometry/Vector4.h"

/// A 4 x 4 matrix of floats; element (row i, column j) at index 4i + j.
/// Points are row vectors on the left (point x matrix). A new matrix is the identity.
struct Matrix4
{
    float m[16] = {1.0f, 0.0f, 0.0f, 0.0f,
                   0.0f, 1.0f, 0.0f, 0.0f,
                   0.0f, 0.0f, 1.0f, 0.0f,
                   0.0f, 0.0f, 0.0f, 1.0f};

    float& operator[](int i) { return m[i]; }
    float operator[](int i) const { return m[i]; }
};

/// The product a x b: a supplies the rows, b the columns. Each element sums its four
/// products in double, in the order k = 0..3, and is rounded to float once.
Matrix4 Multiply(const Matrix4& a, const Matrix4& b);

/// The x and y of p x m, each formed in double and rounded once; z and w of the result are 0.
Vector4 TransformPoint(const Matrix4& m, const Vector4& p);

/// Turns m about the screen normal by `degrees`: Multiply(R, m). A positive angle turns
/// clockwise on screen. Uses the float 3.14, not pi, so 360 degrees is not the identity.
Matrix4 Rotate(const Matrix4& m, float degrees);

/// Degrees to radians as the whole system does it: degrees x 3.14f / 180 in double,
/// rounded to float.
float DegreesToRadians(float degrees);
