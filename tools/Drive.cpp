#include "tools/Drive.h"

#include <algorithm>
#include <cstdio>

#include "tools/KeyScript.h"

bool AddStep(Drive& drive, uint8_t keys)
{
    if (drive.Steps() >= kMostSteps)
        return false;
    drive.keys.push_back(keys);
    return true;
}

void AddSetting(Drive& drive, const FieldSetting& setting)
{
    if (drive.settings.empty() || drive.settings.back().after != drive.Steps())
        drive.settings.push_back(DriveSettings{drive.Steps(), {}});
    std::vector<FieldSetting>& fields = drive.settings.back().fields;
    const auto at = std::lower_bound(fields.begin(), fields.end(), setting,
                                     [](const FieldSetting& a, const FieldSetting& b) { return a.field < b.field; });
    if (at != fields.end() && at->field == setting.field)
        at->bits = setting.bits;
    else
        fields.insert(at, setting);
}

void AddCheck(Drive& drive, uint64_t hash, long line)
{
    // Written out, every step and every set point is a line after the script's header.
    const long written = kScriptHeaderLines + drive.Steps() + static_cast<long>(drive.settings.size());
    drive.checks.push_back(StateCheck{drive.Steps(), hash, line != 0 ? line : written});
}

std::string Counted(uint64_t n)
{
    std::string digits = std::to_string(n);
    for (size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, ",");
    return digits;
}

std::string ShownCharacter(char c)
{
    const unsigned char u = static_cast<unsigned char>(c);
    char text[16];
    std::snprintf(text, sizeof text, u >= 0x21 && u < 0x7f ? "'%c'" : "byte 0x%02x", u);
    return text;
}

std::string LongestDrive()
{
    return "the longest drive, " + Counted(kMostSteps) + " steps (an hour)";
}
