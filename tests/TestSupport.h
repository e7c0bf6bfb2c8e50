#pragma once

#include <allegro.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "engine/Engine.h"
#include "shared/Globals.h"

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
