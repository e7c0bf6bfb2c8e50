#pragma once

#include <cstdint>
#include <string>

#include "tools/Drive.h"

// The key-script format that car_trace, car_record, car_play and the page share, with its
// one reader and one writer (docs/tools.md): a line a step, the letters of the keys held
// (U D L R S, the driving keys' table), '#' comments, "= FIELD VALUE ..." lines that set
// the car's settable fields; version 2 adds the state hash after each step.

/// The first line of a version-2 script.
constexpr const char* kFormatLine = "# racer key script 2";

/// The lines of ScriptHeader: the format line and two comments.
constexpr long kScriptHeaderLines = 3;

/// The exit status of a tool whose replay left the recording: a state hash differed.
/// (0 is done, 1 a file or start-up failure, 2 a bad command line, script line or link.)
constexpr int kStatusDiverged = 3;

/// Reads a key script into a drive, fed in pieces of any size. It stops at the first bad
/// line; a line longer than kMaxLine characters is one.
class CKeyScriptReader
{
public:
    static constexpr size_t kMaxLine = 4096; ///< characters

    /// Reads into `drive`, which must be empty and outlive the reader.
    explicit CKeyScriptReader(Drive& drive) : m_drive(drive) {}

    /// The next `size` bytes of the script. False once a line was bad.
    bool Feed(const char* data, size_t size);

    /// The end of the script: its last line may lack its newline. False if a line was bad.
    bool End();

    /// "line N: what is wrong", or empty.
    const std::string& Error() const { return m_error; }

private:
    bool Line();
    bool Fail(const std::string& what);
    bool ReadFormatLine();
    bool ParseKeys(const std::string& text);
    bool ParseHash(const std::string& word);
    bool ParseSettings(size_t from);

    Drive& m_drive;
    std::string m_raw; ///< the line being read
    std::string m_error;
    long m_lineNumber = 0;
    int m_version = 1; ///< from the first line
};

/// Reads the drive a tool is given: a key script's path ("-" for standard input) or a link
/// (an address or its fragment); a file that holds a link reads as that link. 0, or 1 for a
/// file that cannot be read and 2 for a bad line or link, with a one-line `said` naming the
/// path and the cause; on 0 `said` is empty or a note to show (a version-1 link's).
int ReadDrive(const char* source, Drive& drive, std::string& said);

/// The keys as a script line's letters, in the order U D L R S; "." for none.
std::string KeyLetters(uint8_t keys);

/// A version-2 step line, without its newline: the keys' letters, a blank, the state hash.
std::string StepLine(uint8_t keys, uint64_t hash);

/// The lines a recorded script opens with: kFormatLine, then comments that say what wrote
/// it and when (UTC) and what a line holds.
std::string ScriptHeader(const char* tool);

/// The whole drive as a version-2 key script written by `tool`: ScriptHeader, then a line
/// a step (with its state hash where the drive gives one) and one for each set point.
std::string KeyScriptText(const Drive& drive, const char* tool);
