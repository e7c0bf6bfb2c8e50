// The driving model, driven with scripted keys and, where keys cannot reach a state, with
// fields set directly. Exact where the arithmetic is exact.

#include <cmath>
#include <iomanip>
#include <vector>

#include "actors/PlayerCar.h"
#include "tests/TestSupport.h"
#include "tools/CarFields.h"

namespace
{

class DrivingModel : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        m_car = AddCar();
    }

    /// `count` steps with the given keys (letters U D L R S) held.
    void Drive(const char* keys, int count = 1)
    {
        HoldKeys(keys);
        for (int i = 0; i < count; ++i)
            m_car->Update();
    }

    /// One field of the car, by its name in the car's table of fields, and a value.
    struct Field
    {
        const char* name;
        double value; ///< stored as the field stores it: a float, or a counter
    };

    /// A row of a drive: fields set, then `steps` steps with `keys`, then fields as expected
    /// to the bit. Rows run in order on one car, so that a row starts where the last ended.
    struct Row
    {
        const char* what;
        std::vector<Field> set;
        const char* keys;
        int steps;
        std::vector<Field> want;
    };

    void Drive(const std::vector<Row>& rows)
    {
        for (const Row& row : rows)
        {
            SCOPED_TRACE(row.what);
            for (const Field& f : row.set)
                SetFieldBits(CarFieldNamed(f.name), *m_car, BitsOf(f));
            Drive(row.keys, row.steps);
            for (const Field& f : row.want)
                EXPECT_EQ(FieldBits(CarFieldNamed(f.name), *m_car), BitsOf(f))
                    << f.name << " is " << std::setprecision(9) << Shown(f.name) << ", not " << f.value;
        }
    }

    CPlayerCar* m_car = nullptr;

private:
    static const CarField& CarFieldNamed(const char* name)
    {
        const CarField* field = FindCarField(name);
        EXPECT_NE(field, nullptr) << name;
        return *field;
    }
    static uint32_t BitsOf(const Field& f)
    {
        if (CarFieldNamed(f.name).counter)
            return static_cast<uint32_t>(static_cast<int32_t>(f.value));
        return Bits(static_cast<float>(f.value));
    }
    double Shown(const char* name) const
    {
        const uint32_t bits = FieldBits(CarFieldNamed(name), *m_car);
        return CarFieldNamed(name).counter ? static_cast<int32_t>(bits) : FromBits(bits);
    }
};

const float kFloatNear015 = 0.15f; // 0.150000006, just outside the double band

/// The float a double rounds to: what a field stores.
double F(double v) { return static_cast<float>(v); }

} // namespace

TEST_F(DrivingModel, AtRestWithNoKeyNothingMoves)
{
    Drive({
        {"the speed stays 0, nothing moves, the matrix is not turned", {}, "", 10,
         {{"speed", 0}, {"direction", 0}, {"angle", 0}, {"angleGap", 0}, {"x", 100}, {"y", 100}, {"m0", 1}, {"m1", 0},
          {"m4", 0}, {"m5", 1}}},
    });
}

TEST_F(DrivingModel, ThrottleRunsExactlyToItsLimits)
{
    Drive({
        {"UP from rest", {}, "U", 47, {{"speed", 11.75}}},
        {"12 exactly after the 48th step", {}, "U", 1, {{"speed", 12}}},
        {"and no more while UP is held", {}, "U", 10, {{"speed", 12}, {"y", 100}}},
        {"coasting from 12: still moving after 79 steps", {}, "", 79, {{"speed", 0.150006324}}},
        {"stopped after 80", {}, "", 1, {{"speed", 0}}},
        {"DOWN from rest: above -3 after 19 steps", {}, "D", 19, {{"speed", -2.85000038}}},
        {"-3.0000005 after 20", {}, "D", 1, {{"speed", FromBits(0xc0400002)}}},
        {"and no further reversing", {}, "D", 5, {{"speed", FromBits(0xc0400002)}}},
    });
}

TEST_F(DrivingModel, HandbrakeAloneStopsFromTopSpeedIn54Steps)
{
    Drive({
        {"SPACE alone from 12: still moving after 53 steps", {{"speed", 12}}, "S", 53, {{"speed", 0.340007097}}},
        {"stopped after 54", {}, "S", 1, {{"speed", 0}}},
        {"not clamped at zero: 0.05 becomes -0.02 under SPACE, with DOWN's 0.15 after it", {{"speed", 0.05f}}, "SD", 1,
         {{"speed", F(F(0.05f - 0.07) - 0.15)}}},
    });
}

TEST_F(DrivingModel, CounterTargetIsThreeTimesSpeedInDouble)
{
    Drive({
        {"3 x 1.33333337f is 4.0000001 in double, 4 in float: the counter 4 still climbs",
         {{"speed", 4.0 / 3.0}, {"rightTurn", 4}}, "RU", 1, {{"rightTurn", 5}}},
        {"reversing, the target is 9 whatever the speed", {{"speed", -2}, {"leftTurn", 0}}, "LD", 12,
         {{"leftTurn", 8}, {"angle", 353}}},
        {"8 / 6 and 9 / 6 turn the body by one", {}, "LD", 1, {{"angle", 352}}},
    });
}

TEST_F(DrivingModel, ReleasingAfterATurnClosesTheGap)
{
    Drive({
        {"60 steps right at top speed", {{"speed", 12}}, "UR", 60, {{"angle", 228}, {"direction", 161}}},
        {"released: closing takes 2 off the gap, and the pull 2 more while it stays above 36", {}, "U", 1,
         {{"angle", 227}, {"direction", 164}}},
    });
}

TEST_F(DrivingModel, SpaceIsReadAtEachOfItsFourUses)
{
    const double braked = F(12.0f - 0.07); // the handbrake, then UP adds 0.25
    const double brakedUp = F(braked + 0.25);
    const std::vector<Field> at0 = {{"speed", 12}, {"direction", 0}, {"angle", 0}, {"rightTurn", 29}};
    Drive({
        {"steering: the direction turns by counter / 12 without SPACE", at0, "UR", 1, {{"direction", 2}, {"speed", 12}}},
        {"and by counter / 24 with it", at0, "URS", 1, {{"direction", 1}, {"speed", brakedUp}}},
        {"closing: the direction moves 1 without SPACE (gap 4, no pull)",
         {{"speed", 12}, {"direction", 0}, {"angle", 4}, {"rightTurn", 0}}, "U", 1, {{"direction", 1}, {"speed", 12}}},
        {"and 2 with it", {{"speed", 12}, {"direction", 0}, {"angle", 4}}, "US", 1, {{"direction", 2}, {"speed", brakedUp}}},
        {"pull: 2 without SPACE (gap 50 after closing, above 3 x 12)", {{"speed", 12}, {"direction", 0}, {"angle", 52}},
         "U", 1, {{"direction", 3}, {"speed", 12}}},
        {"and 4 with it", {{"speed", 12}, {"direction", 0}, {"angle", 52}}, "US", 1, {{"direction", 6}, {"speed", brakedUp}}},
    });
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

TEST_F(DrivingModel, NegativeCounterTruncatesTowardZero)
{
    Drive({
        // Only a set field reaches this: keys never drive a counter below -1.
        {"a negative counter truncates toward zero: -11 / 6 = -1, -2 under flooring",
         {{"leftTurn", -12}}, "L", 1, {{"leftTurn", -11}, {"angle", 1}, {"direction", 2}}},
    });
}

TEST_F(DrivingModel, DeadBandUsesTheDouble015AndOnlyWhileCoasting)
{
    Drive({
        // The float nearest 0.15 is outside the band: not aligned, not stopped. Closing moves
        // take the direction 0 -> 1, the angle 10 -> 9; the pull (gap 8 > 0.45) adds 2.
        {"0.15f is not aligned", {{"speed", kFloatNear015}, {"angle", 10}}, "", 1,
         {{"direction", 3}, {"angle", 9}, {"speed", 0}}},
        {"-0.3f + 0.15 lands just beyond -0.15 and survives one more step", {{"speed", -0.3f}}, "", 1,
         {{"speed", F(-0.3f + 0.15)}}},
        {"then it stops", {}, "", 1, {{"speed", 0}}},
        {"braking never snaps to zero", {{"speed", 0.1f}}, "D", 1, {{"speed", F(0.1f - 0.15)}}},
        {"nor does accelerating", {{"speed", -0.2f}}, "U", 1, {{"speed", F(-0.2f + 0.25)}}},
    });
}

TEST_F(DrivingModel, LeftWinsOverRightAndKeepsTheRightCounter)
{
    Drive({
        // The body turns by counter / 6: 0 for 1..5, 1 for 6..11, 2 for 12..17, 3 for 18..20.
        {"right at top speed", {{"speed", 12}}, "UR", 20, {{"rightTurn", 20}, {"angle", 27}}},
        {"counters 1..3 turn the body by 0", {}, "ULR", 3, {{"leftTurn", 3}, {"rightTurn", 20}, {"angle", 27}}},
        {"RIGHT resumes where it was", {}, "UR", 1, {{"leftTurn", 0}, {"rightTurn", 21}}},
        {"a step with neither key resets it", {}, "U", 1, {}},
        {"and RIGHT starts again from 0", {}, "UR", 1, {{"rightTurn", 1}}},
    });
}

TEST_F(DrivingModel, ReleasingAfterAGapClosesItOrSwapsSides)
{
    Drive({
        {"an even gap closes to equality", {{"speed", 12}, {"angle", 110}, {"direction", 100}}, "U", 5,
         {{"angle", 105}, {"direction", 105}}},
        {"and stays closed", {}, "U", 1, {{"angle", 105}}},
        {"an odd gap at speed swaps sides", {{"angle", 101}, {"direction", 100}}, "U", 1,
         {{"angle", 100}, {"direction", 101}}},
        {"every step", {}, "U", 1, {{"angle", 101}, {"direction", 100}}},
    });
}

TEST_F(DrivingModel, WrapShiftsBodyAndDirectionTogetherAndNeverTheDirectionAlone)
{
    Drive({
        {"the step makes the counter 25: body +4, direction +2",
         {{"speed", 12}, {"angle", 358}, {"direction", 358}, {"rightTurn", 24}}, "UR", 1,
         {{"angle", 2}, {"direction", 0}}},
        {"a direction beyond 360 with the body inside the turn: closing 1, pull 2, no wrap of its own",
         {{"angle", 10}, {"direction", 370}}, "U", 1, {{"angle", 11}, {"direction", 367}}},
        {"exactly 0 stays", {{"speed", 0}, {"angle", 0}}, "", 1, {{"angle", 0}}},
        {"exactly 360 stays", {{"speed", 0}, {"angle", 360}}, "", 1, {{"angle", 360}}},
    });
}

TEST_F(DrivingModel, MovementFollowsTheDirectionThroughTheFloat314)
{
    Drive({
        {"along +x", {{"speed", 12}}, "U", 1, {{"x", 112}, {"y", 100}}},
        {"at 90 degrees, cos 1.57 is about 0.0008", {{"x", 0}, {"y", 0}, {"angle", 90}, {"direction", 90}}, "U", 1,
         {{"x", FromBits(0x3c1c8dcc) /* 0.0095553 */}, {"y", 11.99999618530273}}},
        {"from y = 100 the sum rounds to exactly 12 more", {{"x", 0}, {"y", 100}}, "U", 1, {{"y", 112}}},
        // x + cos r x speed rounds once: rounding the product first gives 111.883331.
        {"one rounding", {{"x", 100}, {"y", 100}, {"angle", 8}, {"direction", 8}}, "U", 1,
         {{"x", FromBits(0x42dfc445) /* 111.883339 */}}},
    });
}
