// The driving model, driven with scripted keys and, where keys cannot reach a state, with
// fields set directly. Exact where the arithmetic is exact.

#include <cmath>

#include "actors/PlayerCar.h"
#include "tests/TestSupport.h"

namespace
{

class DrivingModel : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        m_car = new CPlayerCar();
        m_car->m_actorIndex = Register(*g_engine->m_actors, static_cast<IActor*>(m_car));
    }

    /// `count` steps with the given keys (letters U D L R S) held.
    void Drive(const char* keys, int count = 1)
    {
        HoldKeys(keys);
        for (int i = 0; i < count; ++i)
            m_car->Update();
    }

    CPlayerCar* m_car = nullptr;
};

const float kFloatNear015 = 0.15f; // 0.150000006, just outside the double band

} // namespace

TEST_F(DrivingModel, AtRestWithNoKeyNothingMoves)
{
    Drive("", 10);
    EXPECT_EQ(m_car->m_speed, 0.0f);
    EXPECT_EQ(m_car->m_direction, m_car->m_angle);
    EXPECT_EQ(m_car->m_angleGap, 0.0f);
    EXPECT_EQ(m_car->m_position.x, 100.0f);
    EXPECT_EQ(m_car->m_position.y, 100.0f);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(m_car->m_transform[i], Matrix4()[i]) << "not rotated";
}

TEST_F(DrivingModel, SteeringAtRestAlternatesTheCounterAndNeverTurnsTheBody)
{
    // -1 / 6 truncates to 0; a flooring division would turn one degree every other step.
    for (const char* k : {"L", "R"})
    {
        SCOPED_TRACE(k);
        int32_t& counter = (k[0] == 'L') ? m_car->m_leftTurn : m_car->m_rightTurn;
        for (int step = 1; step <= 8; ++step)
        {
            Drive(k);
            EXPECT_EQ(counter, (step % 2 == 1) ? -1 : 0) << "the target at rest is 0";
            EXPECT_EQ(m_car->m_angle, 0.0f);
        }
        Drive("");
        counter = 5; // carried over from a faster phase: it falls back to the target
        Drive(k);
        EXPECT_EQ(counter, 4);
        EXPECT_EQ(m_car->m_angle, 0.0f);
        EXPECT_EQ(m_car->m_direction, 0.0f);
    }
}

TEST_F(DrivingModel, NegativeCounterTruncatesTowardZero)
{
    // Only a set field reaches this: keys never drive a counter below -1.
    m_car->m_leftTurn = -12;
    Drive("L"); // counter -11: -11 / 6 = -1 under truncation, -2 under flooring
    EXPECT_EQ(m_car->m_leftTurn, -11);
    EXPECT_EQ(m_car->m_angle, 1.0f);
    EXPECT_EQ(m_car->m_direction, 2.0f) << "aligned at 0, then pulled by 2 toward the body";
}

TEST_F(DrivingModel, ThrottleRunsExactlyToItsLimits)
{
    Drive("U", 47);
    EXPECT_EQ(m_car->m_speed, 11.75f);
    Drive("U");
    EXPECT_FLOAT_BITS(12.0f, m_car->m_speed) << "12 exactly after the 48th step";
    Drive("U", 10);
    EXPECT_FLOAT_BITS(12.0f, m_car->m_speed);
    EXPECT_EQ(m_car->m_position.y, 100.0f);

    Drive("", 79);
    EXPECT_GT(m_car->m_speed, 0.0f);
    Drive("");
    EXPECT_EQ(m_car->m_speed, 0.0f) << "coasting from 12 stops after 80 steps";

    Drive("D", 19);
    EXPECT_GT(m_car->m_speed, -3.0f);
    Drive("D");
    EXPECT_FLOAT_BITS(FromBits(0xc0400002), m_car->m_speed); // -3.0000005
    Drive("D", 5);
    EXPECT_FLOAT_BITS(FromBits(0xc0400002), m_car->m_speed) << "no further reversing";
}

TEST_F(DrivingModel, UpWinsOverDownAndTheHandbrakeSparesZero)
{
    Drive("UD", 4);
    EXPECT_EQ(m_car->m_speed, 1.0f);
    EXPECT_EQ(m_car->m_position.x, 102.5f);

    DrivingModel::TearDown();
    DrivingModel::SetUp();
    Drive("US");
    EXPECT_EQ(m_car->m_speed, 0.25f) << "the handbrake leaves a speed of exactly 0 alone";
    Drive("US");
    EXPECT_FLOAT_BITS(static_cast<float>(static_cast<double>(static_cast<float>(0.25 - 0.07)) + 0.25),
                      m_car->m_speed);
    for (int i = 0; i < 80; ++i)
    {
        Drive("US");
        if (m_car->m_speed >= 12.0f)
            break;
    }
    for (int i = 0; i < 20; ++i)
    {
        Drive("US");
        EXPECT_GE(m_car->m_speed, 12.0f);
        EXPECT_LT(m_car->m_speed, 12.25f);
    }
}

TEST_F(DrivingModel, HandbrakeAloneStopsFromTopSpeedIn54Steps)
{
    m_car->m_speed = 12.0f;
    Drive("S", 53);
    EXPECT_GT(m_car->m_speed, 0.0f);
    Drive("S");
    EXPECT_EQ(m_car->m_speed, 0.0f);

    // Not clamped at zero: 0.05 becomes -0.02 under the handbrake while DOWN is held.
    m_car->m_speed = 0.05f;
    Drive("SD");
    EXPECT_FLOAT_BITS(static_cast<float>(static_cast<double>(static_cast<float>(0.05f - 0.07)) - 0.15),
                      m_car->m_speed);
}

TEST_F(DrivingModel, DeadBandUsesTheDouble015AndOnlyWhileCoasting)
{
    // The float nearest 0.15 is outside the band: not aligned, not stopped.
    m_car->m_speed = kFloatNear015;
    m_car->m_angle = 10.0f;
    Drive("");
    // closing moves: direction 0 -> 1, angle 10 -> 9; the pull (gap 8 > 0.45) adds 2
    EXPECT_EQ(m_car->m_direction, 3.0f);
    EXPECT_EQ(m_car->m_angle, 9.0f);
    EXPECT_EQ(m_car->m_speed, 0.0f) << "0.15f - 0.15 is inside the band";

    // -0.3f + 0.15 lands just beyond -0.15: it survives one more coasting step.
    m_car->m_speed = -0.3f;
    Drive("");
    EXPECT_FLOAT_BITS(static_cast<float>(-0.3f + 0.15), m_car->m_speed);
    EXPECT_LT(m_car->m_speed, -0.15);
    Drive("");
    EXPECT_EQ(m_car->m_speed, 0.0f);

    // Braking and accelerating never snap to zero.
    m_car->m_speed = 0.1f;
    Drive("D");
    EXPECT_FLOAT_BITS(static_cast<float>(0.1f - 0.15), m_car->m_speed);
    m_car->m_speed = -0.2f;
    Drive("U");
    EXPECT_FLOAT_BITS(static_cast<float>(-0.2f + 0.25), m_car->m_speed);
}

TEST_F(DrivingModel, CounterTargetIsThreeTimesSpeedInDouble)
{
    // 3 x 1.33333337f is 4.0000001 in double but rounds to 4 in float.
    m_car->m_speed = 4.0f / 3.0f;
    m_car->m_rightTurn = 4;
    Drive("RU");
    EXPECT_EQ(m_car->m_rightTurn, 5);

    // Reversing: the target is 9 whatever the speed.
    m_car->m_speed = -2.0f;
    m_car->m_leftTurn = 0;
    for (int i = 0; i < 12; ++i)
        Drive("LD");
    EXPECT_TRUE(m_car->m_leftTurn == 8 || m_car->m_leftTurn == 9);
    const float angle = m_car->m_angle;
    Drive("LD");
    EXPECT_EQ(m_car->m_angle, angle - 1.0f) << "8 / 6 and 9 / 6 turn the body by one";
}

TEST_F(DrivingModel, LeftWinsOverRightAndKeepsTheRightCounter)
{
    m_car->m_speed = 12.0f;
    Drive("UR", 20);
    EXPECT_EQ(m_car->m_rightTurn, 20);
    const float angle = m_car->m_angle;
    Drive("ULR", 3);
    EXPECT_EQ(m_car->m_leftTurn, 3);
    EXPECT_EQ(m_car->m_rightTurn, 20);
    EXPECT_EQ(m_car->m_angle, angle) << "counters 1..3 turn the body by 0";
    Drive("UR");
    EXPECT_EQ(m_car->m_leftTurn, 0);
    EXPECT_EQ(m_car->m_rightTurn, 21) << "RIGHT resumes where it was";
    Drive("U");
    Drive("UR");
    EXPECT_EQ(m_car->m_rightTurn, 1) << "a step with neither key resets it";
}

TEST_F(DrivingModel, RightTurnAtTopSpeedSlidesAndTheGapGrows)
{
    m_car->m_speed = 12.0f;
    int top = 0;
    for (int step = 1; step <= 100; ++step)
    {
        const float angle = m_car->m_angle;
        Drive("UR");
        if (step <= 36)
            EXPECT_EQ(m_car->m_rightTurn, step);
        else
            EXPECT_EQ(m_car->m_rightTurn, (step % 2 == 1) ? 35 : 36);
        EXPECT_EQ(std::fmod(m_car->m_angle - angle + 360.0f, 360.0f), static_cast<float>(m_car->m_rightTurn / 6));
        top = std::max(top, m_car->m_rightTurn);
    }
    EXPECT_EQ(top, 36);
    EXPECT_EQ(m_car->m_direction, -19.0f) << "left [0, 360] with the wrap of the body";
    EXPECT_EQ(m_car->m_angle, 88.0f);
    EXPECT_EQ(m_car->m_angleGap, 109.0f) << "measured before the step's pull of 2";
}

TEST_F(DrivingModel, LeftTurnIsTheMirrorOfTheRightTurn)
{
    float right[2][3];
    for (int run = 0; run < 2; ++run)
    {
        DrivingModel::TearDown();
        DrivingModel::SetUp();
        m_car->m_speed = 12.0f;
        for (int step = 1; step <= 100; ++step)
        {
            Drive(run == 0 ? "UR" : "UL");
            const int k = step == 10 ? 0 : step == 50 ? 1 : step == 100 ? 2 : -1;
            if (k < 0)
                continue;
            if (run == 0)
            {
                right[0][k] = m_car->m_angle;
                right[1][k] = m_car->m_direction;
            }
            else
            {
                EXPECT_EQ(std::fmod(m_car->m_angle + right[0][k], 360.0f), 0.0f) << step;
                EXPECT_EQ(std::fmod(m_car->m_direction + right[1][k], 360.0f), 0.0f) << step;
            }
        }
    }
}

TEST_F(DrivingModel, ReleasingAfterATurnClosesTheGap)
{
    m_car->m_speed = 12.0f;
    Drive("UR", 60);
    const float gap = m_car->m_angle - m_car->m_direction;
    ASSERT_GT(gap, 40.0f);
    Drive("U");
    // Closing moves take 2 off the gap, and the pull 2 more while it stays above 36.
    EXPECT_EQ(m_car->m_angle - m_car->m_direction, gap - 4.0f);

    m_car->m_angle = 110.0f;
    m_car->m_direction = 100.0f;
    Drive("U", 5);
    EXPECT_EQ(m_car->m_angle, 105.0f) << "an even gap closes to equality";
    EXPECT_EQ(m_car->m_direction, 105.0f);
    Drive("U");
    EXPECT_EQ(m_car->m_angle, 105.0f);

    // An odd gap at speed ends with the two swapping sides every step.
    m_car->m_angle = 101.0f;
    m_car->m_direction = 100.0f;
    Drive("U");
    EXPECT_EQ(m_car->m_angle, 100.0f);
    EXPECT_EQ(m_car->m_direction, 101.0f);
    Drive("U");
    EXPECT_EQ(m_car->m_angle, 101.0f);
    EXPECT_EQ(m_car->m_direction, 100.0f);
}

TEST_F(DrivingModel, SpaceIsReadAtEachOfItsFourUses)
{
    struct Case
    {
        const char* keys;
        float speed, direction, angle;
        int32_t rightTurn;
        float wantDirection, wantSpeed;
    };
    const float braked = static_cast<float>(12.0f - 0.07); // the handbrake, then UP adds 0.25
    const float brakedUp = static_cast<float>(braked + 0.25);
    const Case cases[] = {
        // steering: the direction turns by counter / 24 with SPACE, / 12 without
        {"UR", 12.0f, 0.0f, 0.0f, 29, 2.0f, 12.0f},
        {"URS", 12.0f, 0.0f, 0.0f, 29, 1.0f, brakedUp},
        // closing: the direction moves 2 with SPACE, 1 without (no pull at gap 4 < 36)
        {"U", 12.0f, 0.0f, 4.0f, 0, 1.0f, 12.0f},
        {"US", 12.0f, 0.0f, 4.0f, 0, 2.0f, brakedUp},
        // pull: 4 with SPACE, 2 without (gap 50 after closing > 3 x 12)
        {"U", 12.0f, 0.0f, 52.0f, 0, 3.0f, 12.0f},
        {"US", 12.0f, 0.0f, 52.0f, 0, 6.0f, brakedUp},
    };
    for (const Case& k : cases)
    {
        SCOPED_TRACE(k.keys);
        m_car->m_speed = k.speed;
        m_car->m_direction = k.direction;
        m_car->m_angle = k.angle;
        m_car->m_rightTurn = k.rightTurn;
        Drive(k.keys);
        EXPECT_EQ(m_car->m_direction, k.wantDirection);
        EXPECT_FLOAT_BITS(k.wantSpeed, m_car->m_speed);
    }
}

TEST_F(DrivingModel, WrapShiftsBodyAndDirectionTogetherAndNeverTheDirectionAlone)
{
    m_car->m_speed = 12.0f;
    m_car->m_angle = 358.0f;
    m_car->m_direction = 358.0f;
    m_car->m_rightTurn = 24; // the step makes it 25: body +4, direction +2
    Drive("UR");
    EXPECT_EQ(m_car->m_angle, 2.0f);
    EXPECT_EQ(m_car->m_direction, 0.0f);

    // A direction beyond 360 with the body inside the turn stays as it is.
    m_car->m_angle = 10.0f;
    m_car->m_direction = 370.0f;
    Drive("U");
    EXPECT_EQ(m_car->m_angle, 11.0f);
    EXPECT_EQ(m_car->m_direction, 367.0f) << "closing 1, pull 2, no wrap of its own";

    // Exactly 0 and exactly 360 stay.
    for (float edge : {0.0f, 360.0f})
    {
        m_car->m_speed = 0.0f;
        m_car->m_angle = edge;
        Drive("");
        EXPECT_EQ(m_car->m_angle, edge);
    }
}

TEST_F(DrivingModel, TransformIsTurnedStepByStepNeverRebuiltFromTheAngle)
{
    m_car->m_speed = 12.0f;
    Matrix4 expected;
    for (int step = 0; step < 120; ++step)
    {
        const float before = m_car->m_angle;
        Drive(step < 80 ? "UR" : "U");
        float turned = m_car->m_angle - before;
        if (turned > 180.0f)
            turned -= 360.0f; // a wrap moved the angle, not the matrix
        else if (turned < -180.0f)
            turned += 360.0f;
        // Steering always rotates (by 0 too); closing rotates only when the angles differ.
        if (step < 80 || turned != 0.0f)
            expected = Rotate(expected, turned);
    }
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_BITS(expected[i], m_car->m_transform[i]) << i;
    const Matrix4 rebuilt = Rotate(Matrix4(), m_car->m_angle);
    bool differs = false;
    for (int i = 0; i < 16; ++i)
        differs = differs || Bits(rebuilt[i]) != Bits(m_car->m_transform[i]);
    EXPECT_TRUE(differs);
}

TEST_F(DrivingModel, MovementFollowsTheDirectionThroughTheFloat314)
{
    m_car->m_speed = 12.0f;
    Drive("U");
    EXPECT_EQ(m_car->m_position.x, 112.0f);
    EXPECT_EQ(m_car->m_position.y, 100.0f);

    m_car->m_position = Vector4(0.0f, 0.0f);
    m_car->m_angle = 90.0f;
    m_car->m_direction = 90.0f;
    Drive("U");
    EXPECT_FLOAT_BITS(FromBits(0x3c1c8dcc) /* 0.0095553 */, m_car->m_position.x);
    EXPECT_FLOAT_BITS(11.99999618530273f, m_car->m_position.y);

    m_car->m_position = Vector4(0.0f, 100.0f);
    Drive("U");
    EXPECT_EQ(m_car->m_position.y, 112.0f) << "from y = 100 the sum rounds to exactly 12 more";

    // x + cos r x speed rounds once: rounding the product first gives 111.883331.
    m_car->m_position = Vector4(100.0f, 100.0f);
    m_car->m_angle = 8.0f;
    m_car->m_direction = 8.0f;
    Drive("U");
    EXPECT_FLOAT_BITS(FromBits(0x42dfc445), m_car->m_position.x); // 111.883339
}

TEST_F(DrivingModel, InvariantsHoldOverLongMixedDriving)
{
    const char* pattern[] = {"UR", "UL", "URS", "D", "DL", "", "S", "ULR", "UDS", "R"};
    for (int phase = 0; phase < 60; ++phase)
    {
        Drive(pattern[phase % 10], 37 + phase % 23);
        ASSERT_GE(m_car->m_angle, 0.0f);
        ASSERT_LE(m_car->m_angle, 360.0f);
        ASSERT_LT(m_car->m_speed, 12.25f);
        ASSERT_GT(m_car->m_speed, -3.15f);
    }
}
