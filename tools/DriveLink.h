#pragma once

#include <string>
#include <string_view>

#include "tools/Drive.h"

// A drive in a link: the fragment "drive=2.DATA" of an address, which a browser sends to no
// server (docs/tools.md, the format). DATA says how many steps the drive has and how long
// it is, and ends with a CRC-32, so that a link cut or altered on its way is refused as
// such before anything plays; it holds a state hash a second, so that a build or a device
// that parts from the drive says where. Version 1, without the count and the check, is read.

/// The version of the link's format this build writes.
constexpr int kDriveLinkVersion = 2;

/// The most characters a link's fragment can hold, those of the longest drive; a longer one is refused unread.
size_t LongestLink();

/// The fragment, without its '#', of a link to `drive`.
std::string DriveLink(const Drive& drive);

/// The fragment of a version-2 link to a drive of `steps` steps whose records are
/// `records`: the count, the records' size, the records and the check, in base64url.
std::string LinkOfRecords(long steps, std::string_view records);

/// The fragment, without its '#', of the link in `text`: a whole address whose fragment is
/// "drive=...", or the fragment alone, with or without its '#', blanks around it ignored.
/// Empty when `text` is no link.
std::string LinkFragment(const std::string& text);

/// The drive of the fragment `fragment` (without its '#'). False, with a one-line `said`,
/// for a fragment that is no drive, is cut short, altered, too long or of a later version;
/// true with `said` empty, or with a note to show: a version-1 link cannot show it is whole.
bool ReadDriveLink(std::string_view fragment, Drive& drive, std::string& said);
