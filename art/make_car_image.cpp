// Paints the car sprite, a sports car seen from above pointing along +x, and writes it as
// a 24-bit BMP. Magenta, the graphics library's mask colour, fills everything outside the
// car so that it stays transparent when drawn rotated.
//
// With --icon SIZE it paints the same car nose up on a SIZE x SIZE square instead, for the
// desktop's menu (the packaging turns it into a PNG with the magenta made transparent).
//
// Usage: make_car_image OUTPUT.bmp
//        make_car_image --icon SIZE OUTPUT.bmp

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "art/Bmp.h"

namespace
{

constexpr int kSize = 100;           ///< the sprite is kSize x kSize pixels
constexpr double kHalfLength = 50.0; ///< the body matches the 100 x 46 collision outline
constexpr double kHalfWidth = 23.0;

struct Rgb
{
    uint8_t r, g, b;
};

constexpr Rgb kMask{255, 0, 255};
constexpr Rgb kPaint{200, 24, 32};
constexpr Rgb kPaintDark{138, 12, 20};
constexpr Rgb kPaintLight{236, 84, 84};
constexpr Rgb kGlass{38, 52, 74};
constexpr Rgb kGlassShine{96, 124, 160};
constexpr Rgb kRoof{176, 18, 26};
constexpr Rgb kTyre{20, 20, 22};
constexpr Rgb kRim{120, 120, 128};
constexpr Rgb kHeadlight{255, 244, 170};
constexpr Rgb kTailLight{255, 40, 20};
constexpr Rgb kStripe{245, 245, 245};

class Canvas
{
public:
    /// A `side` x `side` canvas; the sprite (side kSize) points along +x, an icon nose up.
    Canvas(int side, bool icon) : m_side(side), m_icon(icon), m_pixels(side * side, kMask) {}

    /// Fills the pixels whose centre (local coordinates, origin at the car's centre,
    /// x forward, y to the right of the driver, kSize units across) satisfies `inside`.
    template <typename Inside>
    void Fill(Rgb colour, Inside inside)
    {
        const double unit = static_cast<double>(kSize) / m_side;
        for (int py = 0; py < m_side; ++py)
            for (int px = 0; px < m_side; ++px)
            {
                const double across = (px + 0.5) * unit - kSize / 2.0;
                const double down = (py + 0.5) * unit - kSize / 2.0;
                const double x = m_icon ? -down : across;
                const double y = m_icon ? across : down;
                if (inside(x, y))
                    m_pixels[py * m_side + px] = colour;
            }
    }

    bool Write(const char* path) const
    {
        return WriteBmp24(path, m_side, m_side, [this](int x, int y) {
            const Rgb& c = m_pixels[y * m_side + x];
            return (static_cast<uint32_t>(c.r) << 16) | (c.g << 8) | c.b;
        });
    }

private:
    int m_side;
    bool m_icon;
    std::vector<Rgb> m_pixels;
};

/// Inside a rectangle with corners rounded by radius r.
bool RoundedRect(double x, double y, double x0, double y0, double x1, double y1, double r)
{
    if (x < x0 || x > x1 || y < y0 || y > y1)
        return false;
    const double cx = std::fmin(std::fmax(x, x0 + r), x1 - r);
    const double cy = std::fmin(std::fmax(y, y0 + r), y1 - r);
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
}

bool Ellipse(double x, double y, double cx, double cy, double rx, double ry)
{
    const double dx = (x - cx) / rx, dy = (y - cy) / ry;
    return dx * dx + dy * dy <= 1.0;
}

} // namespace

int main(int argc, char* argv[])
{
    const bool icon = argc == 4 && std::strcmp(argv[1], "--icon") == 0;
    const int side = icon ? std::atoi(argv[2]) : kSize;
    if ((argc != 2 && !icon) || side < 16 || side > 1024)
    {
        std::fprintf(stderr, "usage: make_car_image OUTPUT.bmp | --icon SIZE(16..1024) OUTPUT.bmp\n");
        return 2;
    }
    const char* output = argv[argc - 1];
    Canvas c(side, icon);
    const double L = kHalfLength, W = kHalfWidth;

    // Tyres first, tucked under the wings so their outer faces show along the sides.
    for (double wx : {-30.0, 28.0})
        for (double side : {-1.0, 1.0})
        {
            c.Fill(kTyre, [&](double x, double y) {
                return RoundedRect(x, y * side, wx - 9, W - 7, wx + 9, W, 2.5);
            });
            c.Fill(kRim, [&](double x, double y) {
                return RoundedRect(x, y * side, wx - 5, W - 5, wx + 5, W - 1, 1.0);
            });
        }

    // Body: a long rounded shell, narrower at the nose and tail than across the wings.
    c.Fill(kPaintDark, [&](double x, double y) {
        const double half = (x > 34) ? W - 4 - (x - 34) * 0.28 : (x < -38) ? W - 4 - (-38 - x) * 0.2 : W - 4;
        return RoundedRect(x, y, -L, -W + 3, L, W - 3, 9) && std::fabs(y) <= half;
    });
    c.Fill(kPaint, [&](double x, double y) {
        const double half = (x > 34) ? W - 6 - (x - 34) * 0.28 : (x < -38) ? W - 6 - (-38 - x) * 0.2 : W - 6;
        return RoundedRect(x, y, -L + 2, -W + 5, L - 2, W - 5, 8) && std::fabs(y) <= half;
    });
    // Wing highlights over the wheel arches.
    for (double wx : {-30.0, 28.0})
        c.Fill(kPaintLight, [&](double x, double y) { return Ellipse(x, std::fabs(y), wx, W - 9, 9, 2.2); });

    // Bonnet stripes, from the windscreen to the nose.
    c.Fill(kStripe, [&](double x, double y) { return x > 14 && x < L - 3 && std::fabs(y) > 2 && std::fabs(y) < 5; });

    // Cabin: windscreen ahead, roof, rear window behind, side windows.
    c.Fill(kGlass, [&](double x, double y) { return RoundedRect(x, y, -26, -15, 16, 15, 6); });
    c.Fill(kGlassShine, [&](double x, double y) { return x > 9 && x < 14 && y > -12 && y < -4; });
    c.Fill(kRoof, [&](double x, double y) { return RoundedRect(x, y, -18, -12, 6, 12, 4); });
    c.Fill(kPaintDark, [&](double x, double y) { return x > -18 && x < 6 && std::fabs(std::fabs(y) - 12) < 0.6; });

    // Mirrors just ahead of the side windows.
    c.Fill(kPaintDark, [&](double x, double y) { return Ellipse(x, std::fabs(y), 10, 17.5, 2.2, 2.6); });

    // Lights: headlights at the nose (+x), tail lights at the back.
    c.Fill(kHeadlight, [&](double x, double y) { return x > L - 6 && x < L - 1 && std::fabs(y) > 9 && std::fabs(y) < 16; });
    c.Fill(kTailLight, [&](double x, double y) { return x < -L + 4 && x > -L + 1 && std::fabs(y) > 8 && std::fabs(y) < 16; });

    if (!c.Write(output))
    {
        std::fprintf(stderr, "make_car_image: cannot write %s\n", output);
        return 1;
    }
    return 0;
}
