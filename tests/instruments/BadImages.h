#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The car images the start-up must refuse, in one table: the unit test checks the cause the
// check gives for each, and bad_images writes each as a file for the game and car_trace
// to refuse.

/// A small test BMP: its header's values, which need not match what follows them.
struct TestBmp
{
    uint32_t headerSize = 40;
    int32_t width = 4, height = 4;
    uint16_t bits = 24;
    uint32_t compression = 0;
    int64_t offBits = -1;    ///< -1: right after the headers (and a palette of zeros for 8 bits or less)
    int64_t pixelBytes = -1; ///< -1: exactly what the header declares
};

/// The file of `bmp`: a crafted offset past the headers is made of 0x80 bytes (up to 1 MB),
/// the pixels bytes of i * 7.
std::vector<unsigned char> MakeTestBmp(const TestBmp& bmp);

/// A file the check must refuse, and a word the check's cause for it must contain.
struct BadImage
{
    const char* name; ///< a file name's worth
    std::vector<unsigned char> bytes;
    const char* cause;
};

/// Every bad image there is a file for.
std::vector<BadImage> BadImages();
