#pragma once

#include <cstddef>
#include <string>
#include <string_view>

struct BITMAP;

/// Largest sprite side we accept, pixels: a bound that keeps a crafted header from
/// asking the loader for gigabytes.
constexpr long kMaxImageSide = 4096;

/// The most bytes of a file the check and the loader read: the headers, the longest
/// palette and 32-bit pixels at the largest side. What a file holds beyond is never read.
constexpr size_t kMostImageBytes = 14 + 40 + 4 * 256 + 4 * kMaxImageSide * kMaxImageSide;

/// Checks that `bytes` are a BMP file the library's loader reads safely: the BMP signature,
/// a Windows (40) or OS/2 (12) header, a sane positive size, an uncompressed depth of 1, 4,
/// 8, 16, 24 or 32 bits, a palette of at most 256 entries, and all the pixel rows it
/// declares. On failure `why` says which, briefly.
bool CheckBmp(std::string_view bytes, std::string& why);

/// Checks `bytes` and loads them at the current colour depth, through the library's
/// PACKFILE over them. The new bitmap (owned by the caller, to be destroyed before the
/// library shuts down), or null with `why`.
BITMAP* LoadBmp(std::string_view bytes, std::string& why);

/// Reads the regular file `path` once, at most kMostImageBytes of it, and loads the bytes
/// it read (LoadBmp). The new bitmap, or null with a one-line `error` that names the path
/// and the cause.
BITMAP* LoadCarImage(const char* path, std::string& error);
