// The car's picture: sprite corner and angle, red outline over the sprite, and three
// readout lines in white, yellow, yellow on opaque black over both; a ghost's, seen through.

#include <cstdio>
#include <memory>
#include <vector>

#include "actors/PlayerCar.h"
#include "tests/TestSupport.h"
#include "tools/GhostCar.h"

namespace
{

/// Swaps in a test sprite: 100 x 100, transparent but for a green 10 x 10 block at its
/// front-top corner (x 80..89, y 10..19), so placement and turn are easy to read.
class CarDraw : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        m_realSprite = g_carBitmap;
        g_carBitmap = create_bitmap(100, 100);
        clear_to_color(g_carBitmap, bitmap_mask_color(g_carBitmap));
        rectfill(g_carBitmap, 80, 10, 89, 19, makecol(0, 255, 0));
        m_car = AddCar();
    }
    void TearDown() override
    {
        destroy_bitmap(g_carBitmap);
        g_carBitmap = m_realSprite;
        EngineTest::TearDown();
    }

    /// The pixels of `colour` in the back buffer, and the box around them.
    static PixelCount Find(int colour) { return CountPixels(g_buffer, colour); }

    /// The readout text as the library draws it, on a buffer of its own, for comparison.
    static BITMAP* Expected(const char* text, int colour)
    {
        BITMAP* b = create_bitmap(text_length(font, text), text_height(font));
        textout_ex(b, font, text, 0, 0, colour, makecol(0, 0, 0));
        return b;
    }

    static bool Matches(BITMAP* expected, int x, int y)
    {
        for (int j = 0; j < expected->h; ++j)
            for (int i = 0; i < expected->w; ++i)
                if (getpixel(g_buffer, x + i, y + j) != getpixel(expected, i, j))
                    return false;
        return true;
    }

    CPlayerCar* m_car = nullptr;
    BITMAP* m_realSprite = nullptr;
};

} // namespace

TEST_F(CarDraw, NewCarSpriteCornerIsFiftyPixelsUpAndLeft)
{
    m_car->Draw();
    const PixelCount green = Find(makecol(0, 255, 0));
    EXPECT_EQ(green.x0, 50 + 80);
    EXPECT_EQ(green.y0, 50 + 10);
    EXPECT_EQ(green.x1, 50 + 89);
    EXPECT_EQ(green.y1, 50 + 19);
    EXPECT_EQ(getpixel(g_buffer, 60, 140), makecol(0, 0, 0)) << "the mask colour stays transparent";
}

TEST_F(CarDraw, SpriteTurnsClockwiseByTheBodyAngle)
{
    m_car->m_angle = 90.0f; // fixed 64 << 16, a quarter turn
    m_car->Draw();
    // A quarter turn clockwise on screen about the centre (100, 100) takes the block from
    // (+35, -35), ahead and above, to (+35, +35): the nose now points down the screen.
    const PixelCount green = Find(makecol(0, 255, 0));
    ASSERT_GT(green.count, 0);
    EXPECT_NEAR((green.x0 + green.x1) / 2.0, 135.0, 1.0);
    EXPECT_NEAR((green.y0 + green.y1) / 2.0, 135.0, 1.0);

    clear_to_color(g_buffer, makecol(0, 0, 0));
    m_car->m_angle = 360.0f;
    m_car->Draw();
    const PixelCount full = Find(makecol(0, 255, 0));
    EXPECT_EQ(full.x0, 130) << "a full turn draws the same picture as 0";
    EXPECT_EQ(full.y0, 60);
}

TEST_F(CarDraw, SpriteCornerTruncatesTowardZero)
{
    struct Case
    {
        float x;
        int corner;
    };
    for (const Case& k : {Case{49.5f, 0}, Case{49.0f, -1}, Case{150.9f, 100}})
    {
        clear_to_color(g_buffer, makecol(0, 0, 0));
        m_car->m_position.x = k.x;
        m_car->m_position.y = 300.0f; // clear of the readout
        m_car->Draw();
        EXPECT_EQ(Find(makecol(0, 255, 0)).x0, k.corner + 80) << k.x;
    }
}

TEST_F(CarDraw, CarFarOffTheWindowNeverWrapsBackOntoIt)
{
    // 65636 is 100 + 2^16: a 16.16 corner that wrapped would draw the car at x = 50.
    for (float x : {65636.0f, -65436.0f, 3.0e9f, -3.0e9f})
    {
        clear_to_color(g_buffer, makecol(0, 0, 0));
        m_car->m_position.x = x;
        m_car->UpdateShape();
        m_car->Draw();
        EXPECT_EQ(Find(makecol(0, 255, 0)).count, 0) << x;
        EXPECT_EQ(Find(makecol(255, 0, 0)).count, 0) << x;
    }
    // Mostly off the left edge: the visible strip is drawn.
    rectfill(g_carBitmap, 0, 0, 99, 99, makecol(0, 255, 0));
    clear_to_color(g_buffer, makecol(0, 0, 0));
    m_car->m_position = Vector4(-40.0f, 300.0f);
    m_car->UpdateShape();
    m_car->Draw();
    EXPECT_EQ(Find(makecol(0, 255, 0)).x0, 0);
    EXPECT_EQ(Find(makecol(255, 0, 0)).x1, 10);
}

TEST_F(CarDraw, OutlineLiesOverTheSprite)
{
    // Move the green block under the top edge of the outline (y 77).
    rectfill(g_carBitmap, 0, 0, 99, 99, bitmap_mask_color(g_carBitmap));
    rectfill(g_carBitmap, 20, 20, 79, 35, makecol(0, 255, 0));
    m_car->Draw();
    const int red = makecol(255, 0, 0);
    for (int x = 70; x <= 129; ++x)
        EXPECT_EQ(getpixel(g_buffer, x, 77), red) << x;
    EXPECT_EQ(getpixel(g_buffer, 100, 78), makecol(0, 255, 0));
}

TEST_F(CarDraw, ReadoutShowsSpeedBodyAngleAndDirectionOnOpaqueBlack)
{
    struct Line
    {
        const char* text;
        int y, colour;
    };
    const int white = makecol(255, 255, 255), yellow = makecol(255, 255, 0);
    struct Case
    {
        float speed, angle, direction;
        std::vector<Line> lines;
    };
    const Case cases[] = {
        {0, 0, 0, {{"SPEED: 0.000000", 5, white}, {"DIRECTION: 0.000000", 15, yellow}, {"KAT: 0.000000", 25, yellow}}},
        // The body angle on the second line, the direction of travel on the third.
        {1.5f, 30, 20.25f,
         {{"SPEED: 1.500000", 5, white}, {"DIRECTION: 30.000000", 15, yellow}, {"KAT: 20.250000", 25, yellow}}},
    };
    // The car under the readout, all green: the texts' black covers it, and left of them it shows.
    rectfill(g_carBitmap, 0, 0, 99, 99, makecol(0, 255, 0));
    for (const Case& c : cases)
    {
        m_car->m_speed = c.speed;
        m_car->m_angle = c.angle;
        m_car->m_direction = c.direction;
        m_car->m_position = Vector4(40.0f, 20.0f);
        m_car->UpdateShape();
        m_car->Draw();
        for (const Line& l : c.lines)
        {
            BITMAP* expected = Expected(l.text, l.colour);
            EXPECT_TRUE(Matches(expected, 5, l.y)) << l.text;
            destroy_bitmap(expected);
        }
        EXPECT_EQ(getpixel(g_buffer, 3, 30), makecol(0, 255, 0));
    }
}

TEST_F(CarDraw, AGhostIsSeenThroughOutlinedInItsColourWithoutAReadout)
{
    // A ghost of no drive stands at the start, over grey.
    CGhostCar ghost(std::make_shared<const Drive>(), "none", 0);
    const int grey = makecol(100, 100, 100);
    clear_to_color(g_buffer, grey);
    ghost.Update();
    // Half the green block's, half the grey's, each channel rounded down.
    const int blended = getpixel(g_buffer, 135, 65);
    EXPECT_EQ(getr(blended), 50);
    EXPECT_EQ(getg(blended), 177);
    EXPECT_EQ(getb(blended), 50);
    const unsigned char* colour = CGhostCar::ColourOf(0);
    EXPECT_EQ(getpixel(g_buffer, 50, 77), makecol(colour[0], colour[1], colour[2])) << "not the player's red";
    EXPECT_EQ(CountPixels(g_buffer, grey).count + Find(makecol(colour[0], colour[1], colour[2])).count +
                  Find(blended).count,
              kScreenWidth * kScreenHeight - Find(makecol(0, 0, 0)).count)
        << "grey, the outline and the blended block: no readout, no other colour";
}

TEST_F(CarDraw, AngleFarOutOfRangeIsClampedAndDrawingGoesOn)
{
    m_car->m_angle = 1.0e9f;
    *allegro_errno = 0;
    m_car->Draw();
    EXPECT_EQ(*allegro_errno, ERANGE);
    EXPECT_EQ(getpixel(g_buffer, 50, 77), makecol(255, 0, 0)) << "the outline is still drawn";
}
