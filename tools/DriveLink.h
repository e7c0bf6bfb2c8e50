#pragma once

#include <string>
#include <vector>

#include "tools/KeyScript.h"

// A drive in a link: the fragment "drive=1.DATA" of an address, DATA the drive in base64url.
// It holds the steps' keys in runs, the set lines, and the state hash after every 60th step
// and after the last (where the script gives them), so that a build or a device that parts
// from the drive says where, to the second. Nothing of it is sent to a server.

/// The version of the link's format this build writes and reads.
constexpr int kDriveLinkVersion = 1;

/// The fragment, without its '#', of a link to `script`.
std::string DriveLink(const std::vector<ScriptLine>& script);

/// The script the fragment `fragment` (without its '#') carries, its lines numbered as in the
/// key script it stands for (line 1 the format line). False with a one-line `error` for a
/// fragment that is no drive, is cut short, or is of another version of the format.
bool ReadDriveLink(const std::string& fragment, std::vector<ScriptLine>& script, std::string& error);
