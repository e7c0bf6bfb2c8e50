// libFuzzer target: the link reader, given an input as a fragment, as the records of a
// version-2 link with its check made right (the first three bytes its count), and as a key
// script. What it accepts is written again: a version-2 link as the same fragment, any link
// and any key script as one that reads back the same, but for the hashes links do not keep.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "tests/fuzz/SameDrive.h"
#include "tools/DriveLink.h"
#include "tools/KeyScript.h"

namespace
{

/// The drive as a link keeps it: a state hash every 60th step and after the last.
Drive Kept(Drive drive)
{
    std::erase_if(drive.checks, [&](const StateCheck& c) { return c.step % 60 != 0 && c.step != drive.Steps(); });
    return drive;
}

/// A link written of `drive` reads back as what a link keeps of it.
void ReadsBack(const Drive& drive)
{
    Drive back;
    std::string said;
    if (!ReadDriveLink(DriveLink(drive), back, said) || !said.empty() || !SameDrive(back, Kept(drive)))
        std::abort();
}

void ReadLink(const std::string& fragment)
{
    Drive drive;
    std::string said;
    const bool good = ReadDriveLink(fragment, drive, said);
    if ((!good && said.empty()) || said.find('\n') != std::string::npos)
        std::abort(); // a refusal says why, in one line
    if (!good)
        return;
    if (fragment.compare(0, 8, "drive=2.") == 0 && DriveLink(drive) != fragment)
        std::abort(); // a version-2 link is read only as it is written
    ReadsBack(drive);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    ReadLink(input);
    if (size >= 3)
        ReadLink(LinkOfRecords((data[0] | data[1] << 8 | data[2] << 16) % (kMostSteps + 2), input.substr(3)));
    Drive script;
    std::string error;
    if (ReadKeyScript(input, script, error))
        ReadsBack(script);
    return 0;
}
