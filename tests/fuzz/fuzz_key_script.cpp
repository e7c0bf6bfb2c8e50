// libFuzzer target: the key-script reader, in both versions of the format. Every input is
// read as a whole script, in one piece and in two split where its first byte says: both
// must read the same drive, or fail on the same line. A drive read is written again as a
// key script (KeyScriptText), which must read back as the same drive.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "tests/fuzz/SameDrive.h"
#include "tools/KeyScript.h"

namespace
{

/// Reads `text` as a key script in two pieces, the first `split` bytes long.
bool Read(const std::string& text, size_t split, Drive& drive, std::string& error)
{
    CKeyScriptReader reader(drive);
    const bool good = reader.Feed(text.data(), split) && reader.Feed(text.data() + split, text.size() - split) &&
                      reader.End();
    error = reader.Error();
    if (good == error.empty() && error.find('\n') == std::string::npos)
        return good;
    std::abort(); // a failure is one line, and only a failure has one
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    Drive whole, split, again;
    std::string error, splitError;
    const bool good = Read(text, text.size(), whole, error);
    Read(text, size == 0 ? 0 : data[0] % (size + 1), split, splitError);
    if (error != splitError || !SameDrive(whole, split))
        std::abort(); // where a piece ends changes nothing
    if (good && (!Read(KeyScriptText(whole, "fuzz_key_script"), 0, again, error) || !SameDrive(whole, again)))
        std::abort(); // what the writer writes of a drive reads back as that drive
    return 0;
}
