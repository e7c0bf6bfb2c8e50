#pragma once

#include <cstring>

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
