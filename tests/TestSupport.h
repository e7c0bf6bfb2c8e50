#pragma once

#include <allegro.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "engine/Engine.h"
#include "shared/Globals.h"

class CPlayerCar;

/// The bits of a float, for exact comparisons.
inline uint32_t Bits(float f)
{
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

/// The float with the given bits.
inline float FromBits(uint32_t u)
{
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
}

#define EXPECT_FLOAT_BITS(expected, actual) EXPECT_EQ(Bits(expected), Bits(actual)) << (actual)

/// Every C++ allocation made by the test process since it started (operator new).
uint64_t AllocationCount();
/// C++ allocations not yet freed.
int64_t LiveAllocations();

/// A fresh engine in g_engine, a black back buffer, all keys up and no tick owed; the
/// engine is released afterwards.
class EngineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ReleaseKeys();
        g_ticks = 0;
        g_quitRequested = false;
        clear_to_color(g_buffer, makecol(0, 0, 0));
        g_engine = new CEngine();
    }
    void TearDown() override
    {
        ReleaseEngine();
        ReleaseKeys();
        g_ticks = 0;
        g_quitRequested = false;
    }
    static void ReleaseKeys()
    {
        for (int i = 0; i < KEY_MAX; ++i)
            key[i] = 0;
    }
};

/// Sets the arrow keys and Space from letters U D L R S; every other of them is released.
void HoldKeys(const char* letters);

/// A new car appended to the actor list, which owns it, as the game scene appends its own.
CPlayerCar* AddCar();

/// A game scene appended to the scene list and started through SetScene(0), as start-up
/// does it; returns the car it made.
CPlayerCar& StartGameScene();

/// The pixels of one colour in a bitmap: how many, the box around them, and how many
/// pixels are neither that colour nor black.
struct PixelCount
{
    int count = 0;
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
    int others = 0;
};
PixelCount CountPixels(BITMAP* bitmap, int colour);
