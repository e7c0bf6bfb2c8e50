#pragma once

// Small helpers the tools share: their command lines, clock, standard streams and numbers.

#include <getopt.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

/// A command line the tool does not take: the first line of its `usage` on stderr; status 2.
inline int UsageError(const char* usage)
{
    std::fprintf(stderr, "%.*s\n", static_cast<int>(std::strcspn(usage, "\n")), usage);
    return 2;
}

/// Reads a tool's options with getopt_long: `options` ends with {"help", no_argument,
/// nullptr, 'h'} and a zeroed entry; each other is handed to `take(code, value)`, which says
/// whether it takes the value. -1 when the tool goes on, with optind at its first operand;
/// otherwise the status to end with: 0 after --help printed `usage` whole, 2 for a command
/// line it does not take.
template <class Take>
int ReadOptions(int argc, char* argv[], const option* options, const char* usage, Take take)
{
    for (int code; (code = getopt_long(argc, argv, "", options, nullptr)) != -1;)
    {
        if (code == 'h')
            return std::fputs(usage, stdout), 0;
        if (code == '?' || !take(code, optarg))
            return UsageError(usage);
    }
    return -1;
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
