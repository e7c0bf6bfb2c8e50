// The car's driving model: one call of Update is one frame step (1/60 s).
//
// Every float field is computed in double and rounded to float once, when stored; every
// comparison is made in double against a double constant. Integer divisions truncate
// toward zero. Keys are read afresh at every test, never copied.

#include <allegro.h>

#include <cmath>
#include <cstdint>

#include "actors/PlayerCar.h"
#include "geometry/Matrix4.h"

namespace
{

// Speeds are pixels per step; rates are per step.
constexpr double kTopSpeed = 12.0;            ///< acceleration stops at or above this
constexpr double kAcceleration = 0.25;        ///< pixels per step, per step, UP held
constexpr double kReverseLimit = -3.0;        ///< braking stops at or below this
constexpr double kBraking = 0.15;             ///< per step, DOWN held (brakes, then reverses)
constexpr double kFriction = 0.15;            ///< per step, coasting
constexpr double kHandbrake = 0.07;           ///< per step, SPACE held
// The double 0.15: the float nearest 0.15 lies just outside the band.
constexpr double kSlowBand = 0.15;            ///< |speed| within it: aligned, and stopped when coasting

// Steering counters run toward 3 x speed (9 in reverse) by one per step.
constexpr double kCounterPerSpeed = 3.0;      ///< counter target per pixel-per-step of speed
constexpr int32_t kReverseCounterTarget = 9;
constexpr int32_t kDirectionCounterMin = 1;   ///< above it the direction of travel turns
constexpr int32_t kDirectionDivisor = 12;     ///< counter per degree of direction turned
constexpr int32_t kHandbrakeDirectionDivisor = 24;
constexpr int32_t kBodyDivisor = 6;           ///< counter per degree of body turned

constexpr int32_t kBodyClosing = 1;           ///< degrees per step, no steering key
constexpr double kDirectionClosing = 1.0;     ///< degrees per step, no steering key
constexpr double kHandbrakeDirectionClosing = 2.0;

constexpr double kSlideFactor = 3.0;          ///< degrees of slide allowed per pixel-per-step
constexpr double kPull = 2.0;                 ///< degrees per step the direction is pulled
constexpr double kHandbrakePull = 4.0;

constexpr double kFullTurn = 360.0;           ///< degrees

bool Held(int scancode) { return key[scancode] != 0; }

float Stored(double value) { return static_cast<float>(value); }

} // namespace

void CPlayerCar::Update()
{
    // 1. Alignment at low speed: a car that barely moves travels where it points.
    if (m_speed >= -kSlowBand && m_speed <= kSlowBand)
        m_direction = m_angle;
    Steer();
    PullDirection();
    Handbrake();
    Throttle();
    Wrap();
    Move();
    UpdateShape();
    Draw();
}

void CPlayerCar::StepCounter(int32_t& counter) const
{
    const bool grow = m_speed < 0.0 ? counter < kReverseCounterTarget
                                    : static_cast<double>(counter) < kCounterPerSpeed * m_speed;
    // Play keeps the counters within [-1, 37]; only a state set from outside (a speed far
    // beyond the top, or a counter near the limit) reaches the ends, where they stop.
    if (grow)
        counter = counter < INT32_MAX ? counter + 1 : counter;
    else
        counter = counter > INT32_MIN ? counter - 1 : counter;
}

void CPlayerCar::TurnBody(int32_t degrees)
{
    // Body angle and matrix change together; the matrix is turned, never rebuilt.
    m_angle = Stored(static_cast<double>(m_angle) + degrees);
    m_transform = Rotate(m_transform, static_cast<float>(degrees));
}

void CPlayerCar::SteerWith(int32_t& counter, int32_t sign)
{
    StepCounter(counter);
    if (counter > kDirectionCounterMin)
    {
        const int32_t divisor = Held(KEY_SPACE) ? kHandbrakeDirectionDivisor : kDirectionDivisor;
        const int32_t degrees = counter / divisor; // whole degrees, truncated
        m_direction = Stored(static_cast<double>(m_direction) + sign * degrees);
    }
    TurnBody(sign * (counter / kBodyDivisor));
}

void CPlayerCar::Steer()
{
    if (Held(KEY_LEFT)) // LEFT wins over RIGHT; the right counter keeps its value
    {
        SteerWith(m_leftTurn, -1);
    }
    else if (Held(KEY_RIGHT))
    {
        m_leftTurn = 0;
        SteerWith(m_rightTurn, +1);
    }
    else // closing: body and direction step toward each other
    {
        m_leftTurn = 0;
        m_rightTurn = 0;
        const double closing = Held(KEY_SPACE) ? kHandbrakeDirectionClosing : kDirectionClosing;
        if (m_direction < m_angle)
        {
            m_direction = Stored(m_direction + closing);
            TurnBody(-kBodyClosing);
        }
        else if (m_direction > m_angle)
        {
            m_direction = Stored(m_direction - closing);
            TurnBody(kBodyClosing);
        }
    }
}

void CPlayerCar::PullDirection()
{
    // The faster the car, the further the body may turn from its travel: it slides.
    const double hi = std::fmax(m_direction, m_angle);
    const double lo = std::fmin(m_direction, m_angle);
    m_angleGap = Stored(hi - lo);
    if (kSlideFactor * m_speed < m_angleGap)
    {
        const double pull = Held(KEY_SPACE) ? kHandbrakePull : kPull;
        if (m_direction < m_angle)
            m_direction = Stored(m_direction + pull);
        else if (m_direction > m_angle)
            m_direction = Stored(m_direction - pull);
    }
}

void CPlayerCar::Handbrake()
{
    if (!Held(KEY_SPACE))
        return;
    // Not clamped at 0: a small speed may change sign.
    if (m_speed > 0.0)
        m_speed = Stored(m_speed - kHandbrake);
    else if (m_speed < 0.0)
        m_speed = Stored(m_speed + kHandbrake);
}

void CPlayerCar::Throttle()
{
    if (Held(KEY_UP)) // UP wins over DOWN
    {
        if (m_speed < kTopSpeed)
            m_speed = Stored(m_speed + kAcceleration);
    }
    else if (Held(KEY_DOWN))
    {
        if (m_speed > kReverseLimit)
            m_speed = Stored(m_speed - kBraking);
    }
    else
    {
        if (m_speed > 0.0)
            m_speed = Stored(m_speed - kFriction);
        else if (m_speed < 0.0)
            m_speed = Stored(m_speed + kFriction);
        if (m_speed >= -kSlowBand && m_speed <= kSlowBand)
            m_speed = 0.0f;
    }
}

void CPlayerCar::Wrap()
{
    // Direction moves with the body, so the gap between them survives the wrap.
    if (m_angle > kFullTurn)
    {
        m_angle = Stored(m_angle - kFullTurn);
        m_direction = Stored(m_direction - kFullTurn);
    }
    else if (m_angle < 0.0)
    {
        m_angle = Stored(m_angle + kFullTurn);
        m_direction = Stored(m_direction + kFullTurn);
    }
}

void CPlayerCar::Move()
{
    const double radians = DegreesToRadians(m_direction);
    const float c = Stored(std::cos(radians));
    const float s = Stored(std::sin(radians));
    m_position.x = Stored(m_position.x + static_cast<double>(c) * m_speed);
    m_position.y = Stored(m_position.y + static_cast<double>(s) * m_speed);
}
