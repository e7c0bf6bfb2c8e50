// window_probe: reads back what an X window shows, for the real-window tests.
//
//   window_probe WINDOW_ID [--save FILE.bmp]
//   window_probe WINDOW_ID --close
//   window_probe WINDOW_ID --latency PRESSES
//
// --close sends the window a WM_DELETE_WINDOW message, as a window manager does when its
// close button is clicked. --latency presses Up (X test extension) at random moments with
// the car at rest and times the first change of the readout's pixels after each press; it
// prints each time in milliseconds, a line each (scripts/bench sums them up), and fails
// if a press changed nothing within 500 ms.
// Otherwise it prints one line: "WIDTH HEIGHT RED_COUNT RED_MIN_X RED_MAX_X READOUT_HASH", where the red
// figures count the pure red (255, 0, 0) pixels of the car's outline and the hash covers
// the readout corner (200 x 35 pixels). Exit status 1 if the window cannot be read.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>
#include <thread>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "art/Bmp.h"

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

/// Asks the window to close the way a window manager does. False if X refuses.
bool SendClose(Display* display, Window window)
{
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(display, window, False, NoEventMask, &event) != 0;
    XSync(display, False);
    return sent;
}

constexpr int kReadoutWidth = 200; ///< pixels of the readout corner
constexpr int kReadoutHeight = 35;
constexpr int kPollUs = 250; ///< between two looks at the readout while waiting for a change

/// A hash of the readout corner's pixels as the window shows them now.
uint64_t ReadoutHash(Display* display, Window window)
{
    XImage* image = XGetImage(display, window, 0, 0, kReadoutWidth, kReadoutHeight, AllPlanes, ZPixmap);
    if (image == nullptr)
        return 0;
    uint64_t hash = 1469598103934665603ull;
    for (int y = 0; y < kReadoutHeight; ++y)
        for (int x = 0; x < kReadoutWidth; ++x)
            hash = (hash ^ XGetPixel(image, x, y)) * 1099511628211ull;
    XDestroyImage(image);
    return hash;
}

/// Presses Up `presses` times at random moments and prints the press-to-pixel latencies.
int MeasureLatency(Display* display, Window window, int presses)
{
    using Clock = std::chrono::steady_clock;
    int ignored;
    if (!XTestQueryExtension(display, &ignored, &ignored, &ignored, &ignored))
    {
        std::fprintf(stderr, "window_probe: the X server has no XTEST extension\n");
        return 1;
    }
    const KeyCode up = XKeysymToKeycode(display, XK_Up);
    std::random_device seed;
    std::mt19937 random(seed());
    std::uniform_int_distribution<int> pauseUs(150000, 400000); // the car comes to rest meanwhile
    int missed = 0;
    for (int i = 0; i < presses; ++i)
    {
        std::this_thread::sleep_for(std::chrono::microseconds(pauseUs(random)));
        const uint64_t before = ReadoutHash(display, window);
        const Clock::time_point pressed = Clock::now();
        XTestFakeKeyEvent(display, up, True, CurrentTime);
        XFlush(display);
        bool changed = false;
        // Polls every 0.25 ms, not flat out: a probe that spins keeps the X server and the
        // game from the cores they share and so delays what it measures.
        while (Clock::now() - pressed < std::chrono::milliseconds(500))
        {
            if (ReadoutHash(display, window) != before)
            {
                changed = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(kPollUs));
        }
        const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - pressed).count();
        XTestFakeKeyEvent(display, up, False, CurrentTime);
        XFlush(display);
        if (changed)
            std::printf("%.2f\n", elapsed);
        else
            ++missed;
    }
    if (missed > 0)
        std::fprintf(stderr, "window_probe: %d of %d presses changed nothing within 500 ms\n", missed, presses);
    return missed == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    const bool close = argc == 3 && std::strcmp(argv[2], "--close") == 0;
    const bool latency = argc == 4 && std::strcmp(argv[2], "--latency") == 0;
    if (argc != 2 && !close && !latency && !(argc == 4 && std::strcmp(argv[2], "--save") == 0))
    {
        std::fprintf(stderr, "usage: window_probe WINDOW_ID [--save FILE.bmp | --close | --latency PRESSES]\n");
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
    if (close)
    {
        const bool sent = SendClose(display, window);
        XCloseDisplay(display);
        return sent ? 0 : 1;
    }
    if (latency)
    {
        const int status = MeasureLatency(display, window, std::atoi(argv[3]));
        XCloseDisplay(display);
        return status;
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
    if (argc == 4 && !WriteBmp24(argv[3], w, h, [&](int x, int y) { return rgb[static_cast<size_t>(y) * w + x]; }))
    {
        std::fprintf(stderr, "window_probe: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
