#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/DrivingKeys.h"

class CPlayerCar;

// The key-script format that car_trace, car_record and car_play share. One line a step:
// the letters U D L R S (either case) of the keys held, '.' and blanks ignored, so "." is
// a step with no key. A line starting with '#' is a comment; "= FIELD VALUE ..." sets car
// fields (speed direction angle angleGap x y: floats; leftTurn rightTurn: whole numbers)
// and takes no step.

/// One car field given a value by a set line.
struct FieldSetting
{
    float* (*field)(CPlayerCar&) = nullptr;   ///< a float field, or null
    int32_t* (*counter)(CPlayerCar&) = nullptr; ///< a counter field, or null
    float value = 0.0f;
    int32_t count = 0;
};

/// A step or a set line of a script, with its line number (from 1).
struct ScriptLine
{
    bool isStep = true;
    uint8_t keys = 0;                  ///< KeyBits, for a step
    std::vector<FieldSetting> settings; ///< for a set line, in the line's order
    long lineNumber = 0;
};

/// Reads a script line by line from a stream it does not own. Lines longer than
/// kMaxLine characters are errors, read through without being stored.
class CKeyScriptReader
{
public:
    static constexpr size_t kMaxLine = 4096; ///< characters

    explicit CKeyScriptReader(FILE* in) : m_in(in) {}

    /// The next step or set line into `line`; comments are passed over. False at the end
    /// of the script or on an error, which Error() then describes.
    bool Next(ScriptLine& line);

    /// "line N: what is wrong", or empty when the script ended well.
    const std::string& Error() const { return m_error; }

    /// True when the error is a bad line, false when reading itself failed.
    bool BadLine() const { return m_badLine; }

private:
    bool ReadRaw(bool& tooLong);
    bool Fail(const std::string& what);
    bool ParseSettings(size_t from, ScriptLine& line);

    FILE* m_in;
    std::string m_raw;
    std::string m_error;
    long m_lineNumber = 0;
    bool m_badLine = false;
};

/// Reads a whole script from `path` ("-" for standard input) into `lines`. Returns 0, or
/// 1 when the file cannot be read and 2 for a bad line, with a one-line `error` that names
/// the path (and the line number) and the cause.
int ReadKeyScript(const char* path, std::vector<ScriptLine>& lines, std::string& error);

/// Gives the car the values of a set line, in order.
void ApplySettings(const ScriptLine& line, CPlayerCar& car);

/// The keys as a script line's letters, in the order U D L R S; "." for none.
std::string KeyLetters(uint8_t keys);

/// The comment lines a recorded script opens with: what wrote it and when (UTC).
std::string ScriptHeader(const char* tool);
