#pragma once

/// A point or offset in pixels. Only x and y carry meaning; z and w are carried along.
struct Vector4
{
    float x = 0.0f; ///< pixels, growing to the right
    float y = 0.0f; ///< pixels, growing downward
    float z = 0.0f;
    float w = 0.0f;

    Vector4() = default;
    Vector4(float px, float py) : x(px), y(py) {}
};

/// a + b on x and y, each summed in double and rounded once.
inline Vector4 Add(const Vector4& a, const Vector4& b)
{
    return Vector4(static_cast<float>(static_cast<double>(a.x) + b.x),
                   static_cast<float>(static_cast<double>(a.y) + b.y));
}

/// a - b on x and y: the first operand minus the second.
inline Vector4 Subtract(const Vector4& a, const Vector4& b)
{
    return Vector4(static_cast<float>(static_cast<double>(a.x) - b.x),
                   static_cast<float>(static_cast<double>(a.y) - b.y));
}
