#pragma once

#include <string>
#include <string_view>

#include "tools/Drive.h"

// A drive in a link: the fragment "drive=2.DATA" of an address, which a browser sends to no
// server (docs/tools.md, the format). DATA gives the drive's steps and size and ends with a
// CRC-32, so that a link cut or altered on its way is refused as such before anything plays;
// it holds a state hash a second, so that a build that parts from the drive says where.
// Version 1, without the count and the check, is read.

/// The longest link, in characters: the longest address Chromium, Firefox ESR and WebKitGTK
/// all open by navigating to it (Firefox ESR 153's; Chromium 156 opens 2,097,152, WebKitGTK
/// 2.50 over 16 million). No longer link is written or read.
constexpr size_t kLongestLink = 1'048'572;

constexpr int kDriveLinkVersion = 2; ///< of the format this build writes

/// "the longest link a browser opens, 1,048,572 characters": how the limit is named.
std::string LongestLink();

/// The fragment, without its '#', of a link to `drive`.
std::string DriveLink(const Drive& drive);

/// The fragment of a version-2 link to a drive of `steps` steps whose records are `records`.
std::string LinkOfRecords(long steps, std::string_view records);

/// The link in `text`, blanks around it ignored: an address whose fragment is "drive=...",
/// or the fragment alone, with or without its '#'. Empty when `text` is no link.
std::string_view FindLink(std::string_view text);

/// The drive of `link`, as FindLink gives one. False, with a one-line `said`, for a link over
/// kLongestLink, no drive, or one cut short, altered, too long or of a later version; true
/// with `said` empty or a note (a version-1 link cannot show that it is whole).
bool ReadDriveLink(std::string_view link, Drive& drive, std::string& said);
