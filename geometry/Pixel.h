#pragma once

#include <climits>
#include <cmath>

/// A coordinate in pixels as an int, truncated toward zero (-0.7 gives 0, 99.9 gives 99).
/// Saturates at the int range and maps NaN to 0, so a car driven arbitrarily far off the
/// window never makes the conversion undefined.
inline int ToPixel(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (v <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(v);
}
