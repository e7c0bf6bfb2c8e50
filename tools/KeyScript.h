#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tools/Drive.h"

// The key-script format that car_trace, car_record, car_play and the page share, with its
// one reader and one writer (docs/tools.md): a line a step, the letters of the keys held
// (U D L R S, the driving keys' table), '#' comments, "= FIELD VALUE ..." lines that set
// the car's settable fields; version 2 adds the state hash after each step.

/// The first line of a version-2 script.
constexpr const char* kFormatLine = "# racer key script 2";

/// The lines of ScriptHeader: the format line and two comments.
constexpr long kScriptHeaderLines = 3;

/// The longest line, in characters; a longer one is a bad line.
constexpr size_t kLongestLine = 4096;

/// The most bytes a key script may hold, and the most any reader takes: what KeyScriptText
/// writes of the longest drive with every settable field set before each step and after the
/// last (at most 512 of header, 23 a step line and 176 a set line). A longer one is refused
/// unread.
constexpr size_t kLongestScript = 512 + 23 * kMostSteps + 176 * (kMostSteps + 1);

/// The exit status of a tool whose replay left the recording: a state hash differed.
/// (0 is done, 1 a file or start-up failure, 2 a bad command line, script line or link.)
constexpr int kStatusDiverged = 3;

/// Reads the key script `text` into `drive`, which it empties first. False at the first bad
/// line, with `error` "line N: what is wrong"; the last line may lack its newline.
bool ReadKeyScript(std::string_view text, Drive& drive, std::string& error);

/// Reads the drive that `text` holds: a link (FindLink), or else a key script. False, with a
/// one-line `said`, for a bad line, a bad link or a text longer than kLongestScript; on true
/// `said` is empty or a note to show (a version-1 link's).
bool ReadDriveText(std::string_view text, Drive& drive, std::string& said);

/// Reads the drive a tool is given: a link, or the path of a file that holds a key script or
/// a link ("-" for standard input), which is read whole, at most kLongestScript bytes. 0, or
/// 1 for a file that cannot be read and 2 for a bad line, link or size, with a one-line
/// `said` naming the path and the cause; on 0 `said` is empty or a note to show.
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
