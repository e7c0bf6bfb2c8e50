// libFuzzer target: the car image check and the library's loader behind it. Every input
// is written to an in-memory file; what the check accepts is loaded at 32-bit colour and
// each of its pixels read.

#include <allegro.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/CarImage.h"

namespace
{
int s_file = -1;
std::string s_path;
volatile uint32_t s_sink;
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (install_allegro(SYSTEM_NONE, &errno, std::atexit) != 0)
        std::abort();
    set_color_depth(32);
    s_file = memfd_create("car-image", 0);
    if (s_file < 0)
        std::abort();
    s_path = "/proc/self/fd/" + std::to_string(s_file);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (ftruncate(s_file, 0) != 0 || pwrite(s_file, data, size, 0) != static_cast<ssize_t>(size))
        std::abort();
    std::string error;
    BITMAP* image = LoadCarImage(s_path.c_str(), error);
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
