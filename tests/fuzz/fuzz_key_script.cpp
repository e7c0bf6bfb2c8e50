// libFuzzer target: the key-script reader, in both versions of the format. Every input is
// read as a whole script: a failure says why in one line, and only a failure does; a drive
// read is written again as a key script (KeyScriptText), which must read back as the same
// drive.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "tests/fuzz/SameDrive.h"
#include "tools/KeyScript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    Drive drive, again;
    std::string error;
    const bool good = ReadKeyScript(text, drive, error);
    if (good != error.empty() || error.find('\n') != std::string::npos)
        std::abort(); // a failure is one line, and only a failure has one
    if (good && (!ReadKeyScript(KeyScriptText(drive, "fuzz_key_script"), again, error) || !SameDrive(drive, again)))
        std::abort(); // what the writer writes of a drive reads back as that drive
    return 0;
}
