#pragma once

// Small helpers the tools share: their command line, their clock, their standard streams.

#include <chrono>
#include <cstdio>
#include <cstring>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

/// Reads the command line "[FLAG] FILE" of a tool: `flagGiven` tells whether `flag` came,
/// `path` is the file ("-" allowed). False when anything else is there.
inline bool ReadFlagAndFile(int argc, char* argv[], const char* flag, bool& flagGiven, const char*& path)
{
    flagGiven = false;
    path = nullptr;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], flag) == 0)
            flagGiven = true;
        else if (path == nullptr && (argv[i][0] != '-' || std::strcmp(argv[i], "-") == 0))
            path = argv[i];
        else
            return false;
    }
    return path != nullptr;
}

/// Seconds on the monotonic clock since `since`.
inline double SecondsSince(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
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
