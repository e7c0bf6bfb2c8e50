#include "app/CarImage.h"

#include <allegro.h>
#include <sys/stat.h>

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

} // namespace

bool CheckBmpFile(const char* path, std::string& why)
{
    struct stat info;
    if (stat(path, &info) != 0)
    {
        why = std::strerror(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode))
    {
        why = "not a regular file";
        return false;
    }
    const uint64_t fileSize = static_cast<uint64_t>(info.st_size);
    if (fileSize == 0)
    {
        why = "the file is empty";
        return false;
    }

    unsigned char h[kFileHeaderSize + kWindowsHeaderSize] = {};
    FILE* f = std::fopen(path, "rb");
    if (f == nullptr)
    {
        why = std::strerror(errno);
        return false;
    }
    const size_t got = std::fread(h, 1, sizeof h, f);
    std::fclose(f);

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

BITMAP* LoadCarImage(const char* path, std::string& error)
{
    std::string why;
    if (!CheckBmpFile(path, why))
    {
        error = std::string("cannot load ") + path + ": " + why;
        return nullptr;
    }
    // The loader fills only the entries the file holds, but converting a paletted image
    // to 32 bits reads all 256: the rest start black, so every pixel is defined.
    PALETTE palette = {};
    BITMAP* image = load_bitmap(path, palette);
    if (image == nullptr)
        error = std::string("cannot load ") + path + ": the library could not read it";
    return image;
}
