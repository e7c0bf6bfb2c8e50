// The car's picture: sprite at the body angle, red outline over it, readout over both.

#include <allegro.h>

#include <cmath>
#include <cstdint>

#include "actors/PlayerCar.h"
#include "geometry/Pixel.h"
#include "shared/Globals.h"

namespace
{
constexpr double kLibraryUnitsPerTurn = 256.0;
constexpr double kDegreesPerTurn = 360.0;
constexpr double kSpriteHalfSize = 50.0; ///< pixels from the sprite's corner to the car's position
constexpr int kReadoutX = 5;              ///< pixels
constexpr int kReadoutLineY[3] = {5, 15, 25};

/// Whether a sprite with its corner at (x, y) may cover any pixel of `target`, at any
/// angle: turned about its centre it stays within the circle through its corners.
bool SpriteMayShow(const BITMAP* target, const BITMAP* sprite, int x, int y)
{
    const int64_t reach = static_cast<int64_t>(std::ceil(std::hypot(sprite->w, sprite->h) / 2.0)) + 1;
    const int64_t cx = static_cast<int64_t>(x) + sprite->w / 2;
    const int64_t cy = static_cast<int64_t>(y) + sprite->h / 2;
    return cx > -reach && cx < target->w + reach && cy > -reach && cy < target->h + reach;
}
} // namespace

void CPlayerCar::DrawCar(SpriteDrawer drawSprite, int outline)
{
    // Not reduced to one turn: the library turns by whole turns itself.
    const fixed angle = ftofix(static_cast<double>(m_angle) * kLibraryUnitsPerTurn / kDegreesPerTurn);
    const int sx = ToPixel(m_position.x - kSpriteHalfSize);
    const int sy = ToPixel(m_position.y - kSpriteHalfSize);
    // The library places sprites in 16.16 fixed point, so beyond 32767 pixels the corner
    // wraps round and a car far off the window would reappear on it. A sprite wholly off
    // the buffer draws nothing anyway.
    if (SpriteMayShow(g_buffer, g_carBitmap, sx, sy))
        drawSprite(g_buffer, g_carBitmap, sx, sy, angle);
    DrawOutline(outline);
}

void CPlayerCar::Draw()
{
    DrawCar(rotate_sprite, makecol(255, 0, 0));

    // Opaque black behind the text: whatever drives under the readout is covered.
    const int black = makecol(0, 0, 0);
    const int white = makecol(255, 255, 255);
    const int yellow = makecol(255, 255, 0);
    textprintf_ex(g_buffer, font, kReadoutX, kReadoutLineY[0], white, black, "SPEED: %f",
                  static_cast<double>(m_speed));
    // The second line shows the body angle, the third the direction of travel.
    textprintf_ex(g_buffer, font, kReadoutX, kReadoutLineY[1], yellow, black, "DIRECTION: %f",
                  static_cast<double>(m_angle));
    textprintf_ex(g_buffer, font, kReadoutX, kReadoutLineY[2], yellow, black, "KAT: %f",
                  static_cast<double>(m_direction));
}
