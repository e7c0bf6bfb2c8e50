#pragma once

// Small helpers the tools share: their clock, their standard streams, their numbers.

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

/// Seconds on the monotonic clock since `since`.
inline double SecondsSince(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

/// Reads `text` as a decimal number of at least `least` into `number`: false for anything else.
inline bool ReadNumber(const char* text, long least, long& number)
{
    char* end = nullptr;
    errno = 0;
    number = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && errno != ERANGE && number >= least;
}

/// Standard input and output as bytes, the same on every system: on Windows the C runtime
/// would otherwise write each "\n" as "\r\n" and end the input at a Ctrl+Z byte.
inline void UseBinaryStandardStreams()
{
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
}
