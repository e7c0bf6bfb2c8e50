#include "tests/instruments/BadImages.h"

#include "art/Bmp.h"

std::vector<unsigned char> MakeTestBmp(const TestBmp& bmp)
{
    const uint32_t paletteEntries = bmp.bits <= 8 ? (1u << bmp.bits) : 0;
    const uint32_t headersEnd = 14 + bmp.headerSize + paletteEntries * (bmp.headerSize == 12 ? 3 : 4);
    const uint32_t off = bmp.offBits >= 0 ? static_cast<uint32_t>(bmp.offBits) : headersEnd;
    const uint64_t side = static_cast<uint64_t>(bmp.width < 0 ? -bmp.width : bmp.width);
    const uint64_t row = (side * bmp.bits + 31) / 32 * 4;
    const uint64_t pixels = bmp.pixelBytes >= 0 ? static_cast<uint64_t>(bmp.pixelBytes)
                                                : row * static_cast<uint64_t>(bmp.height < 0 ? -bmp.height : bmp.height);
    std::vector<unsigned char> data;
    // A crafted offset far past the end is written as a bare header.
    for (uint32_t at = headersEnd; at < off && off < (1u << 20); ++at)
        data.push_back(0x80);
    for (uint64_t i = 0; i < pixels; ++i)
        data.push_back(static_cast<unsigned char>(i * 7));
    BmpHeader header;
    header.fileSize = static_cast<uint32_t>(off + pixels);
    header.offBits = off;
    header.headerSize = bmp.headerSize;
    header.width = bmp.width;
    header.height = bmp.height;
    header.bits = bmp.bits;
    header.compression = bmp.compression;
    return BmpFile(header, std::vector<uint32_t>(paletteEntries, 0), data);
}

std::vector<BadImage> BadImages()
{
    std::vector<unsigned char> half = MakeTestBmp(TestBmp{40, 100, 100, 24, 0, -1, -1});
    half.resize(half.size() / 2);
    // An RLE8 image whose runs would write far past its 4 x 4 pixels.
    std::vector<unsigned char> rle = MakeTestBmp(TestBmp{40, 4, 4, 8, 1, -1, 1024});
    rle.insert(rle.end(), {0xff, 0x01, 0xff, 0x01, 0xff, 0x01, 0x00, 0x01});
    return {
        {"empty", {}, "empty"},
        {"random-bytes", {0x13, 0x37, 0xde, 0xad, 0xbe, 0xef, 0x00, 0x42, 0x99, 0x01}, "BMP"},
        {"png-renamed", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'}, "BMP"},
        {"signature-only", {'B', 'M'}, "truncated"},
        {"cut-in-half", half, "truncated"},
        {"size-65536", MakeTestBmp(TestBmp{40, 65536, 65536, 24, 0, -1, 64}), "size"},
        {"size-20000", MakeTestBmp(TestBmp{40, 20000, 20000, 24, 0, -1, 1024}), "size"},
        {"negative-height", MakeTestBmp(TestBmp{40, 4, -4, 24, 0, -1, -1}), "size"},
        {"zero-width", MakeTestBmp(TestBmp{40, 0, 4, 24, 0, -1, -1}), "size"},
        {"rle8-oversized-run", rle, "compressed"},
        {"bitfields", MakeTestBmp(TestBmp{40, 4, 4, 32, 3, -1, -1}), "compressed"},
        {"2-bits", MakeTestBmp(TestBmp{40, 4, 4, 2, 0, -1, -1}), "depth"},
        {"0-bits", MakeTestBmp(TestBmp{40, 4, 4, 0, 0, -1, -1}), "depth"},
        {"v5-header", MakeTestBmp(TestBmp{124, 4, 4, 24, 0, -1, -1}), "header"},
        {"offset-inside-header", MakeTestBmp(TestBmp{40, 4, 4, 24, 0, 20, -1}), "offset"},
        {"huge-palette", MakeTestBmp(TestBmp{40, 4, 4, 8, 0, 14 + 40 + 4096, -1}), "offset"},
        {"offset-past-the-end", MakeTestBmp(TestBmp{40, 4, 4, 24, 0, 0xfffffff0, 0}), "offset"},
    };
}
