// A soak of 216,000 car steps (what an hour of play at 60 Hz would run; it takes about 2 s)
// with pseudo-random key runs from a fixed seed: long full-speed turns both ways, long
// drives off the window, reversing, handbrake. Every invariant of the driving model is
// checked after every step.

#include <cmath>
#include <random>

#include "actors/PlayerCar.h"
#include "tests/TestSupport.h"

namespace
{

struct KeyRun
{
    const char* keys;
    int minSteps, maxSteps;
};

// Weighted by repetition: long turns and long straights come up often.
const KeyRun kRuns[] = {
    {"UR", 200, 3000}, {"UL", 200, 3000}, {"U", 500, 6000},  {"URS", 50, 600},
    {"ULS", 50, 600},  {"D", 20, 800},    {"DL", 20, 600},   {"DR", 20, 600},
    {"", 10, 400},     {"S", 10, 200},    {"US", 10, 300},   {"ULR", 10, 200},
    {"UD", 10, 100},   {"R", 5, 120},     {"L", 5, 120},     {"DS", 5, 100},
};

using Soak = EngineTest;

} // namespace

TEST_F(Soak, RandomDrivingFor216000StepsKeepsEveryInvariant)
{
    constexpr int kSteps = 216000;
    CPlayerCar* car = AddCar();

    std::mt19937 random(20261208);
    int step = 0;
    double farthest = 0.0;
    int offWindowSteps = 0;
    while (step < kSteps)
    {
        const KeyRun& run = kRuns[random() % (sizeof kRuns / sizeof kRuns[0])];
        const int length = run.minSteps + static_cast<int>(random() % (run.maxSteps - run.minSteps + 1));
        HoldKeys(run.keys);
        for (int i = 0; i < length && step < kSteps; ++i, ++step)
        {
            car->Update();
            ASSERT_GE(car->m_angle, 0.0f) << "step " << step;
            ASSERT_LE(car->m_angle, 360.0f) << "step " << step;
            ASSERT_GT(car->m_speed, -3.15f) << "step " << step;
            ASSERT_LT(car->m_speed, 12.25f) << "step " << step;
            ASSERT_GE(car->m_leftTurn, -1) << "step " << step;
            ASSERT_LE(car->m_leftTurn, 37) << "step " << step;
            ASSERT_GE(car->m_rightTurn, -1) << "step " << step;
            ASSERT_LE(car->m_rightTurn, 37) << "step " << step;
            ASSERT_GE(car->m_angleGap, 0.0f) << "step " << step;
            ASSERT_TRUE(std::isfinite(car->m_position.x) && std::isfinite(car->m_position.y));
            ASSERT_TRUE(std::isfinite(car->m_direction));
            const double x = car->m_position.x, y = car->m_position.y;
            farthest = std::max(farthest, std::max(std::fabs(x), std::fabs(y)));
            offWindowSteps += (x < -100 || x > kScreenWidth + 100 || y < -100 || y > kScreenHeight + 100);
            if (step % 64 == 0)
                clear_to_color(g_buffer, makecol(0, 0, 0));
        }
    }
    EXPECT_EQ(step, kSteps);
    EXPECT_GT(farthest, 40000.0) << "the run reached far beyond the 16.16 range of the sprite corner";
    EXPECT_GT(offWindowSteps, kSteps / 4) << "long drives off the window";
    RecordProperty("farthest", static_cast<int>(farthest));
}
