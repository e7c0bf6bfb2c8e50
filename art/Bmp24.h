#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

/// Writes a `width` x `height` picture as an uncompressed 24-bit BMP (Windows header,
/// rows bottom-up). `pixel(x, y)` gives the colour as 0xRRGGBB. False if it cannot write.
template <typename PixelAt>
bool WriteBmp24(const char* path, int width, int height, PixelAt pixel)
{
    const uint32_t row = (static_cast<uint32_t>(width) * 3 + 3) / 4 * 4;
    const uint32_t dataBytes = row * static_cast<uint32_t>(height);
    std::vector<unsigned char> out;
    out.reserve(54 + dataBytes);
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
    u32(54 + dataBytes);
    u32(0);
    u32(54);         // pixel data right after the two headers
    u32(40);         // Windows info header
    u32(width);
    u32(height);     // positive: bottom-up
    u16(1);
    u16(24);
    u32(0);          // no compression
    u32(dataBytes);
    u32(2835);       // 72 dpi
    u32(2835);
    u32(0);
    u32(0);
    for (int y = height - 1; y >= 0; --y)
    {
        for (int x = 0; x < width; ++x)
        {
            const uint32_t c = pixel(x, y);
            out.push_back(c & 0xff);
            out.push_back((c >> 8) & 0xff);
            out.push_back((c >> 16) & 0xff);
        }
        for (uint32_t pad = static_cast<uint32_t>(width) * 3; pad < row; ++pad)
            out.push_back(0);
    }
    FILE* f = std::fopen(path, "wb");
    if (f == nullptr)
        return false;
    const bool written = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && written;
}
