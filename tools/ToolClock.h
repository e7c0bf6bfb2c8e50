#pragma once

#include <chrono>

/// Seconds on the monotonic clock since `since`.
inline double SecondsSince(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}
