// libFuzzer target: the key-script reader, in both versions of the format. Every input is
// read as a whole script; each step it yields must read back the same through the line
// the writers write: its letters alone (version 1), and its letters and its state hash
// (version 2).

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/KeyScript.h"

namespace
{

/// Reads `text` as a script and gives its first line; aborts if it yields none.
ScriptLine ReadBack(const std::string& text)
{
    FILE* in = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    CKeyScriptReader reader(in);
    ScriptLine line;
    if (!reader.Next(line))
        std::abort();
    std::fclose(in);
    return line;
}

} // namespace

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
        const ScriptLine v1 = ReadBack(KeyLetters(line.keys));
        if (!v1.isStep || v1.keys != line.keys || v1.hasHash)
            std::abort(); // what the version-1 writer writes, the reader reads back unchanged
        const ScriptLine v2 = ReadBack(std::string(kFormatLine) + "\n" + StepLine(line.keys, line.hash));
        if (!v2.isStep || v2.keys != line.keys || !v2.hasHash || v2.hash != line.hash)
            std::abort(); // and so with the version-2 writer's keys and hash
    }
    std::fclose(in);
    return 0;
}
