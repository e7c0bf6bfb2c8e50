#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/DrivingKeys.h"

class CPlayerCar;
struct CarField;

// The key-script format that car_trace, car_record, car_play and the page share, with its
// one reader and one writer (docs/tools.md): a line a step, the letters of the keys held
// (U D L R S, the driving keys' table), '#' comments, "= FIELD VALUE ..." lines that set
// the car's settable fields; version 2 adds the state hash after each step.

/// The first line of a version-2 script.
constexpr const char* kFormatLine = "# racer key script 2";

/// The exit status of a tool whose replay left the recording: a state hash differed.
/// (0 is done, 1 a file or start-up failure, 2 a bad command line or script line.)
constexpr int kStatusDiverged = 3;

/// One car field given a value by a set line.
struct FieldSetting
{
    const CarField* field = nullptr;
    uint32_t bits = 0; ///< the value, as the field stores it (CarFields.h)
};

/// A step or a set line of a script, with its line number (from 1).
struct ScriptLine
{
    bool isStep = true;
    uint8_t keys = 0;                  ///< KeyBits, for a step
    bool hasHash = false;              ///< a step of a version-2 script that gives its hash
    uint64_t hash = 0;                 ///< the car's state hash after the step
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
    bool ReadFormatLine();
    bool ParseKeys(const std::string& text, ScriptLine& line);
    bool ParseHash(const std::string& word, ScriptLine& line);
    bool ParseSettings(size_t from, ScriptLine& line);

    FILE* m_in;
    std::string m_raw;
    std::string m_error;
    long m_lineNumber = 0;
    int m_version = 1; ///< from the first line
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

/// A version-2 step line, without its newline: the keys' letters, a blank, the state hash.
std::string StepLine(uint8_t keys, uint64_t hash);

/// The lines a recorded script opens with: kFormatLine, then comments that say what wrote
/// it and when (UTC) and what a line holds.
std::string ScriptHeader(const char* tool);

/// Empty when `line` gives no state hash or gives `reached`; otherwise the one-line
/// message that names the line, the step, the hash the script holds and the one reached.
std::string StateHashMismatch(const ScriptLine& line, long step, uint64_t reached);
