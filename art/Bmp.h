#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

// The one BMP writer: the car sprite and the icons, the window probe's pictures, and the
// test images, good and bad, whose headers may declare what the file does not hold.

/// A BMP file's headers, as written.
struct BmpHeader
{
    uint32_t fileSize = 0;       ///< 0: the size of what is written
    uint32_t offBits = 0;        ///< where the pixels start; 0: right after the headers and the palette
    uint32_t headerSize = 40;    ///< 40 (Windows) or 12 (OS/2); a Windows header of more is padded with 0
    int32_t width = 0;
    int32_t height = 0;          ///< positive: the rows run bottom-up
    uint16_t bits = 24;
    uint32_t compression = 0;
    uint32_t imageSize = 0;      ///< the pixel data's declared size
    uint32_t pixelsPerMetre = 0; ///< 2835 is 72 dpi
};

/// A BMP file: `header`, then the palette (0xRRGGBB entries: four bytes each, three in an
/// OS/2 file), then `data` as it is (the pixels, or whatever a test wants there).
inline std::vector<unsigned char> BmpFile(BmpHeader header, const std::vector<uint32_t>& palette,
                                          const std::vector<unsigned char>& data)
{
    const uint32_t entryBytes = header.headerSize == 12 ? 3 : 4;
    const uint32_t headersEnd = 14 + header.headerSize + static_cast<uint32_t>(palette.size()) * entryBytes;
    if (header.offBits == 0)
        header.offBits = headersEnd;
    if (header.fileSize == 0)
        header.fileSize = headersEnd + static_cast<uint32_t>(data.size());
    std::vector<unsigned char> out;
    out.reserve(headersEnd + data.size());
    auto u16 = [&](uint32_t v) {
        out.push_back(v & 0xff);
        out.push_back((v >> 8) & 0xff);
    };
    auto u32 = [&](uint32_t v) {
        u16(v & 0xffff);
        u16(v >> 16);
    };
    out.push_back('B');
    out.push_back('M');
    u32(header.fileSize);
    u32(0);
    u32(header.offBits);
    u32(header.headerSize);
    if (header.headerSize == 12)
    {
        u16(static_cast<uint16_t>(header.width));
        u16(static_cast<uint16_t>(header.height));
        u16(1);
        u16(header.bits);
    }
    else
    {
        u32(static_cast<uint32_t>(header.width));
        u32(static_cast<uint32_t>(header.height));
        u16(1);
        u16(header.bits);
        u32(header.compression);
        u32(header.imageSize);
        u32(header.pixelsPerMetre);
        u32(header.pixelsPerMetre);
        for (uint32_t at = 32; at < header.headerSize; at += 4)
            u32(0); // no colour count, no important colours, nothing of a later header
    }
    for (const uint32_t c : palette)
    {
        out.push_back(c & 0xff);
        out.push_back((c >> 8) & 0xff);
        out.push_back((c >> 16) & 0xff);
        if (entryBytes == 4)
            out.push_back(0);
    }
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

/// Writes `bytes` to `path`. False if it cannot.
inline bool WriteFileBytes(const char* path, const std::vector<unsigned char>& bytes)
{
    FILE* f = std::fopen(path, "wb");
    if (f == nullptr)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
}

/// Writes a `width` x `height` picture as an uncompressed 24-bit BMP (Windows header, rows
/// bottom-up, 72 dpi). `pixel(x, y)` gives the colour as 0xRRGGBB. False if it cannot write.
template <typename PixelAt>
bool WriteBmp24(const char* path, int width, int height, PixelAt pixel)
{
    const uint32_t row = (static_cast<uint32_t>(width) * 3 + 3) / 4 * 4;
    std::vector<unsigned char> data;
    data.reserve(static_cast<size_t>(row) * height);
    for (int y = height - 1; y >= 0; --y)
    {
        for (int x = 0; x < width; ++x)
        {
            const uint32_t c = pixel(x, y);
            data.push_back(c & 0xff);
            data.push_back((c >> 8) & 0xff);
            data.push_back((c >> 16) & 0xff);
        }
        for (uint32_t pad = static_cast<uint32_t>(width) * 3; pad < row; ++pad)
            data.push_back(0);
    }
    BmpHeader header;
    header.width = width;
    header.height = height;
    header.imageSize = static_cast<uint32_t>(data.size());
    header.pixelsPerMetre = 2835;
    return WriteFileBytes(path, BmpFile(header, {}, data));
}
