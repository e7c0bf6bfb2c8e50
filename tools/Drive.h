#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct CarField;

// A drive as key scripts, links and recordings hold it: the keys of each step, the car
// fields set between steps, and the state hashes it gives.

/// The longest drive, in steps: an hour at 60 steps a second. A recording keeps no more,
/// and every reader refuses a longer drive, naming this limit.
constexpr long kMostSteps = 216'000;

/// One car field given a value: its bits as the field stores it (CarFields.h).
struct FieldSetting
{
    const CarField* field = nullptr;
    uint32_t bits = 0;
    bool operator==(const FieldSetting&) const = default;
};

/// Fields set after `after` steps, before the next: one value a field, in the order of the
/// car's fields (set in any order, the car ends the same).
struct DriveSettings
{
    long after = 0;
    std::vector<FieldSetting> fields;
    bool operator==(const DriveSettings&) const = default;
};

/// The car's state hash after step `step`, given on line `line` of the drive's key script.
struct StateCheck
{
    long step = 0;
    uint64_t hash = 0;
    long line = 0;
};

struct Drive
{
    std::vector<uint8_t> keys;           ///< KeyBits, a byte a step: 216 KB for an hour
    std::vector<DriveSettings> settings; ///< by `after`, one for each
    std::vector<StateCheck> checks;      ///< by step, at most one for each

    long Steps() const { return static_cast<long>(keys.size()); }
};

/// Adds a step holding `keys`; false, and nothing added, past kMostSteps.
bool AddStep(Drive& drive, uint8_t keys);

/// Sets a field after the steps so far; a later value for the same field replaces it.
void AddSetting(Drive& drive, const FieldSetting& setting);

/// The state hash after the last step so far, given on `line` (0: the line KeyScriptText writes).
void AddCheck(Drive& drive, uint64_t hash, long line = 0);

/// `n` with thousands set apart: "216,000".
std::string Counted(uint64_t n);

/// A character as a message shows it: printable as itself ('x'), else as a byte (byte 0x0a).
std::string ShownCharacter(char c);

/// "the longest drive, 216,000 steps (an hour)": how the limit is named.
std::string LongestDrive();
