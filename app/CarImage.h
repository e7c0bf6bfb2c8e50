#pragma once

#include <string>

struct BITMAP;

/// Largest sprite side we accept, pixels: a bound that keeps a crafted header from
/// asking the loader for gigabytes.
constexpr long kMaxImageSide = 4096;

/// Checks that `path` is a BMP file the library's loader reads safely: a regular file
/// with the BMP signature, a Windows (40) or OS/2 (12) header, a sane positive size, an
/// uncompressed depth of 1, 4, 8, 16, 24 or 32 bits, a palette of at most 256 entries, and
/// all the pixel rows it declares. On failure `why` says which, briefly.
bool CheckBmpFile(const char* path, std::string& why);

/// Checks and loads `path` at the current colour depth. Returns the new bitmap (owned by
/// the caller, to be destroyed before the library shuts down), or null with a one-line
/// `error` that names the path and the cause.
BITMAP* LoadCarImage(const char* path, std::string& error);
