// libFuzzer target: the car image check and the library's loader behind it, as the game
// loads the image: from the bytes it read. What the check accepts is loaded at 32-bit colour
// and each of its pixels read.

#include <allegro.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/CarImage.h"

namespace
{
volatile uint32_t s_sink;
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (install_allegro(SYSTEM_NONE, &errno, std::atexit) != 0)
        std::abort();
    set_color_depth(32);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string why;
    BITMAP* image = LoadBmp(std::string_view(reinterpret_cast<const char*>(data), size), why);
    if (image == nullptr)
        return 0;
    uint32_t sum = 0;
    for (int y = 0; y < image->h; ++y)
        for (int x = 0; x < image->w; ++x)
            sum += static_cast<uint32_t>(getpixel(image, x, y));
    s_sink = sum;
    destroy_bitmap(image);
    return 0;
}
