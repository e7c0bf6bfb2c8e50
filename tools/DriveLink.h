#pragma once

#include <string>
#include <string_view>

#include "tools/Drive.h"

// A drive in a link: the fragment "drive=2.DATA" of an address, which a browser sends to no
// server (docs/tools.md, the format). DATA says how many steps the drive has and how long
// it is, and ends with a CRC-32, so that a link cut or altered on its way is refused as
// such before anything plays; it holds a state hash a second, so that a build or a device
// that parts from the drive says where. Version 1, without the count and the check, is read.

/// The longest link, in characters: the longest address that Chromium, Firefox ESR and
/// WebKitGTK all open when navigated to (Firefox ESR 153's; Chromium 156 opens 2,097,152,
/// WebKitGTK 2.50 more than 16 million). No longer link is written or read.
constexpr size_t kLongestLink = 1'048'572;

/// The version of the link's format this build writes.
constexpr int kDriveLinkVersion = 2;

/// "the longest link a browser opens, 1,048,572 characters": how the limit is named.
std::string LongestLink();

/// The fragment, without its '#', of a link to `drive`.
std::string DriveLink(const Drive& drive);

/// The fragment of a version-2 link to a drive of `steps` steps whose records are
/// `records`: the count, the records' size, the records and the check, in base64url.
std::string LinkOfRecords(long steps, std::string_view records);

/// The link in `text`, blanks around it ignored: a whole address whose fragment is
/// "drive=...", or the fragment alone, with or without its '#'. Empty when `text` is no link.
std::string_view FindLink(std::string_view text);

/// The drive of `link`, as FindLink gives one. False, with a one-line `said`, for a link
/// longer than kLongestLink, one that is no drive, is cut short, altered, too long or of a
/// later version; true with `said` empty, or with a note to show: a version-1 link cannot
/// show that it is whole.
bool ReadDriveLink(std::string_view link, Drive& drive, std::string& said);
