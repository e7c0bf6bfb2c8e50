// libFuzzer target: the key-script reader. Every input is read as a whole script; each
// step it yields must read back the same through its own letters.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/KeyScript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FILE* in = fmemopen(const_cast<uint8_t*>(data), size, "r");
    if (in == nullptr)
        return 0; // an empty buffer
    CKeyScriptReader reader(in);
    ScriptLine line;
    long last = 0;
    while (reader.Next(line))
    {
        if (line.lineNumber <= last)
            std::abort(); // line numbers only grow
        last = line.lineNumber;
        if (!line.isStep)
            continue;
        const std::string letters = KeyLetters(line.keys);
        FILE* again = fmemopen(const_cast<char*>(letters.data()), letters.size(), "r");
        CKeyScriptReader echo(again);
        ScriptLine reread;
        if (!echo.Next(reread) || !reread.isStep || reread.keys != line.keys)
            std::abort(); // what the writer writes, the reader reads back unchanged
        std::fclose(again);
    }
    std::fclose(in);
    return 0;
}
