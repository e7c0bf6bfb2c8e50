#pragma once

#include "tools/Drive.h"

// What the fuzz targets' round trips compare: two drives with the same keys, settings and
// state hashes at the same steps (the lines they came from may differ).

inline bool SameDrive(const Drive& a, const Drive& b)
{
    if (a.keys != b.keys || a.settings != b.settings || a.checks.size() != b.checks.size())
        return false;
    for (size_t i = 0; i < a.checks.size(); ++i)
        if (a.checks[i].step != b.checks[i].step || a.checks[i].hash != b.checks[i].hash)
            return false;
    return true;
}
