#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tools/Drive.h"

// The key-script format that car_trace, car_record, car_play and the page share, with its
// one reader and one writer (docs/tools.md): a line a step, the letters of the keys held
// (U D L R S, the driving keys' table), '#' comments, "= FIELD VALUE ..." lines that set
// the car's settable fields; version 2 adds the state hash after each step.

constexpr const char* kFormatLine = "# racer key script 2"; ///< a version-2 script's first line
constexpr long kScriptHeaderLines = 3;                     ///< ScriptHeader's: kFormatLine, two comments
constexpr size_t kLongestLine = 4096;                      ///< characters; a longer line is a bad one

/// The most bytes a key script holds, and a reader takes: what KeyScriptText writes of the
/// longest drive, every settable field set before each step and after the last (at most 512
/// of header, 23 a step line, 176 a set line).
constexpr size_t kLongestScript = 512 + 23 * kMostSteps + 176 * (kMostSteps + 1);

/// A tool's exit status when a replay left its recording (a state hash differed); 0 is done,
/// 1 a file or start-up failure, 2 a bad command line, script line or link.
constexpr int kStatusDiverged = 3;

/// Reads the key script `text` into `drive` (emptied first). False at the first bad line,
/// with `error` "line N: what is wrong"; the last line may lack its newline.
bool ReadKeyScript(std::string_view text, Drive& drive, std::string& error);

/// Reads the drive `text` holds, a link (FindLink) or else a key script. False, with a one-line
/// `said`, for a bad line or link or a text over kLongestScript; else `said` is empty or a note.
bool ReadDriveText(std::string_view text, Drive& drive, std::string& said);

/// Reads the drive a tool is given: a link, or the path of a file that holds one or a key
/// script ("-": standard input), read whole. 0, or 1 for a file that cannot be read and 2 for
/// a bad line, link or size, `said` naming the path and the cause; on 0 it is empty or a note.
int ReadDrive(const char* source, Drive& drive, std::string& said);

/// The keys as a script line's letters, in the order U D L R S; "." for none.
std::string KeyLetters(uint8_t keys);

/// A version-2 step line, without its newline: the keys' letters, a blank, the state hash.
std::string StepLine(uint8_t keys, uint64_t hash);

/// kFormatLine, then comments that say what wrote the script, when (UTC), and what a line holds.
std::string ScriptHeader(const char* tool);

/// The drive as a version-2 key script written by `tool`: ScriptHeader, then a line a step
/// (with its state hash where the drive gives one) and one for each set point.
std::string KeyScriptText(const Drive& drive, const char* tool);
