// window_probe: reads back what an X window shows, for the real-window tests.
//
//   window_probe WINDOW_ID [--save FILE.bmp]
//
// Prints one line: "WIDTH HEIGHT RED_COUNT RED_MIN_X RED_MAX_X READOUT_HASH", where the red
// figures count the pure red (255, 0, 0) pixels of the car's outline and the hash covers
// the readout corner (200 x 35 pixels). Exit status 1 if the window cannot be read.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{

int Shift(unsigned long mask)
{
    int s = 0;
    while (mask != 0 && (mask & 1) == 0)
    {
        mask >>= 1;
        ++s;
    }
    return s;
}

bool SaveBmp(const char* path, int w, int h, const std::vector<uint32_t>& rgb)
{
    const int row = (w * 3 + 3) / 4 * 4;
    std::vector<unsigned char> out;
    auto u16 = [&](uint32_t v) { out.push_back(v & 0xff); out.push_back((v >> 8) & 0xff); };
    auto u32 = [&](uint32_t v) { u16(v & 0xffff); u16(v >> 16); };
    out.push_back('B');
    out.push_back('M');
    u32(54 + row * h);
    u32(0);
    u32(54);
    u32(40);
    u32(w);
    u32(h);
    u16(1);
    u16(24);
    for (int i = 0; i < 6; ++i)
        u32(0);
    for (int y = h - 1; y >= 0; --y)
    {
        for (int x = 0; x < w; ++x)
        {
            const uint32_t p = rgb[y * w + x];
            out.push_back(p & 0xff);
            out.push_back((p >> 8) & 0xff);
            out.push_back((p >> 16) & 0xff);
        }
        for (int pad = w * 3; pad < row; ++pad)
            out.push_back(0);
    }
    FILE* f = std::fopen(path, "wb");
    if (f == nullptr)
        return false;
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2 && !(argc == 4 && std::strcmp(argv[2], "--save") == 0))
    {
        std::fprintf(stderr, "usage: window_probe WINDOW_ID [--save FILE.bmp]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
    {
        std::fprintf(stderr, "window_probe: cannot open the display\n");
        return 1;
    }
    const Window window = static_cast<Window>(std::strtoul(argv[1], nullptr, 0));
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, window, &attributes) == 0)
    {
        std::fprintf(stderr, "window_probe: no window %s\n", argv[1]);
        return 1;
    }
    const int w = attributes.width, h = attributes.height;
    XImage* image = XGetImage(display, window, 0, 0, w, h, AllPlanes, ZPixmap);
    if (image == nullptr)
    {
        std::fprintf(stderr, "window_probe: cannot read window %s\n", argv[1]);
        return 1;
    }
    const int rs = Shift(image->red_mask), gs = Shift(image->green_mask), bs = Shift(image->blue_mask);
    std::vector<uint32_t> rgb(static_cast<size_t>(w) * h);
    long redCount = 0;
    int redMin = -1, redMax = -1;
    uint64_t hash = 1469598103934665603ull;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const unsigned long p = XGetPixel(image, x, y);
            const uint32_t r = (p & image->red_mask) >> rs, g = (p & image->green_mask) >> gs,
                           b = (p & image->blue_mask) >> bs;
            const uint32_t c = (r << 16) | (g << 8) | b;
            rgb[static_cast<size_t>(y) * w + x] = c;
            if (c == 0xff0000)
            {
                ++redCount;
                redMin = (redMin < 0 || x < redMin) ? x : redMin;
                redMax = x > redMax ? x : redMax;
            }
            if (x < 200 && y < 35)
                hash = (hash ^ c) * 1099511628211ull;
        }
    XDestroyImage(image);
    XCloseDisplay(display);
    std::printf("%d %d %ld %d %d %016llx\n", w, h, redCount, redMin, redMax,
                static_cast<unsigned long long>(hash));
    if (argc == 4 && !SaveBmp(argv[3], w, h, rgb))
    {
        std::fprintf(stderr, "window_probe: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
