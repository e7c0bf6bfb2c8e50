#include "app/CarImage.h"

#include <allegro.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace
{

constexpr uint32_t kOs2HeaderSize = 12;
constexpr uint32_t kWindowsHeaderSize = 40;
constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kMaxPaletteEntries = 256;

uint32_t U16(const unsigned char* p) { return p[0] | (p[1] << 8); }
uint32_t U32(const unsigned char* p) { return U16(p) | (static_cast<uint32_t>(U16(p + 2)) << 16); }

/// A PACKFILE's reading over bytes in memory: the library reads the car image through it.
struct MemoryFile
{
    std::string_view bytes;
    size_t at = 0;
};
MemoryFile& Of(void* file) { return *static_cast<MemoryFile*>(file); }
int Nothing(void*) { return 0; }
int GetByte(void* f) { return Of(f).at < Of(f).bytes.size() ? static_cast<unsigned char>(Of(f).bytes[Of(f).at++]) : EOF; }
int UngetByte(int c, void* f) { return Of(f).at > 0 ? (--Of(f).at, c) : EOF; }
long Read(void* to, long n, void* f)
{
    const long got = std::min<long>(n, static_cast<long>(Of(f).bytes.size() - Of(f).at));
    std::memcpy(to, Of(f).bytes.data() + Of(f).at, static_cast<size_t>(got));
    Of(f).at += static_cast<size_t>(got);
    return got;
}
int PutByte(int, void*) { return EOF; }
long Write(const void*, long, void*) { return 0; }
int Skip(void* f, int n) { return n >= 0 && static_cast<size_t>(n) <= Of(f).bytes.size() - Of(f).at ? (Of(f).at += n, 0) : -1; }
int AtEnd(void* f) { return Of(f).at >= Of(f).bytes.size(); }
const PACKFILE_VTABLE kMemoryFile = {Nothing, GetByte, UngetByte, Read, PutByte, Write, Skip, AtEnd, Nothing};

} // namespace

bool CheckBmp(std::string_view bytes, std::string& why)
{
    const uint64_t fileSize = bytes.size();
    if (fileSize == 0)
    {
        why = "the file is empty";
        return false;
    }
    unsigned char h[kFileHeaderSize + kWindowsHeaderSize] = {};
    const size_t got = std::min(bytes.size(), sizeof h);
    std::memcpy(h, bytes.data(), got);

    if (got < 2 || h[0] != 'B' || h[1] != 'M')
    {
        why = "not a BMP file (no BM signature)";
        return false;
    }
    if (got < kFileHeaderSize + 4)
    {
        why = "truncated BMP header";
        return false;
    }
    const uint32_t offBits = U32(h + 10);
    const uint32_t headerSize = U32(h + 14);
    if (headerSize != kWindowsHeaderSize && headerSize != kOs2HeaderSize)
    {
        why = "unsupported BMP header size " + std::to_string(headerSize);
        return false;
    }
    if (got < kFileHeaderSize + headerSize)
    {
        why = "truncated BMP header";
        return false;
    }

    int64_t width, height;
    uint32_t bits, compression = 0;
    if (headerSize == kWindowsHeaderSize)
    {
        width = static_cast<int32_t>(U32(h + 18));
        height = static_cast<int32_t>(U32(h + 22));
        bits = U16(h + 28);
        compression = U32(h + 30);
    }
    else
    {
        width = U16(h + 18);
        height = U16(h + 20);
        bits = U16(h + 24);
    }
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide)
    {
        why = "image size " + std::to_string(width) + "x" + std::to_string(height) +
              " is outside 1.." + std::to_string(kMaxImageSide);
        return false;
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    {
        why = "unsupported depth of " + std::to_string(bits) + " bits";
        return false;
    }
    if (compression != 0)
    {
        why = "compressed BMP files are not supported";
        return false;
    }
    // The loader takes every whole entry between the headers and the pixels as palette and
    // stores them in a 256-entry table: more would write past its end.
    const uint64_t headersEnd = kFileHeaderSize + headerSize;
    const uint64_t entryBytes = headerSize == kOs2HeaderSize ? 3 : 4;
    if (offBits < headersEnd || offBits - headersEnd > kMaxPaletteEntries * entryBytes)
    {
        why = "pixel data offset " + std::to_string(offBits) + " is out of range";
        return false;
    }
    const uint64_t rowBytes = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
    const uint64_t needed = offBits + rowBytes * static_cast<uint64_t>(height);
    if (fileSize < needed)
    {
        why = "truncated: the header declares " + std::to_string(needed) + " bytes, the file has " +
              std::to_string(fileSize);
        return false;
    }
    return true;
}

BITMAP* LoadBmp(std::string_view bytes, std::string& why)
{
    if (!CheckBmp(bytes, why))
        return nullptr;
    MemoryFile file{bytes};
    PACKFILE* packfile = pack_fopen_vtable(&kMemoryFile, &file);
    // The loader fills only the entries the file holds, but converting a paletted image
    // to 32 bits reads all 256: the rest start black, so every pixel is defined.
    PALETTE palette = {};
    BITMAP* image = packfile != nullptr ? load_bmp_pf(packfile, palette) : nullptr;
    if (packfile != nullptr)
        pack_fclose(packfile);
    if (image == nullptr)
        why = "the library could not read it";
    return image;
}

BITMAP* LoadCarImage(const char* path, std::string& error)
{
    std::string why, bytes;
    struct stat info;
    FILE* f = nullptr;
    if (stat(path, &info) != 0 || (S_ISREG(info.st_mode) && (f = std::fopen(path, "rb")) == nullptr))
        why = std::strerror(errno);
    else if (!S_ISREG(info.st_mode))
        why = "not a regular file";
    if (f != nullptr)
    {
        bytes.resize(std::min<uint64_t>(static_cast<uint64_t>(info.st_size), kMostImageBytes));
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
        std::fclose(f);
    }
    BITMAP* image = why.empty() ? LoadBmp(bytes, why) : nullptr;
    if (image == nullptr)
        error = std::string("cannot load ") + path + ": " + why;
    return image;
}
