#include "tools/CarFields.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "actors/PlayerCar.h"

namespace
{

template <int i> void* Matrix(CPlayerCar& c) { return &c.m_transform[i]; }
template <int i> void* WorldX(CPlayerCar& c) { return &c.m_worldVertices[i].x; }
template <int i> void* WorldY(CPlayerCar& c) { return &c.m_worldVertices[i].y; }
template <int i> void* EdgeA(CPlayerCar& c) { return &c.m_edgeA[i]; }
template <int i> void* EdgeB(CPlayerCar& c) { return &c.m_edgeB[i]; }
template <int i> void* EdgeC(CPlayerCar& c) { return &c.m_edgeC[i]; }

/// A float that only a step sets.
constexpr CarField Real(const char* name, void* (*at)(CPlayerCar&)) { return CarField{name, at, false, false}; }

} // namespace

const std::array<CarField, kCarFieldCount> kCarFields = {
    CarField{"speed", [](CPlayerCar& c) -> void* { return &c.m_speed; }, false, true},
    CarField{"direction", [](CPlayerCar& c) -> void* { return &c.m_direction; }, false, true},
    CarField{"angle", [](CPlayerCar& c) -> void* { return &c.m_angle; }, false, true},
    CarField{"angleGap", [](CPlayerCar& c) -> void* { return &c.m_angleGap; }, false, true},
    CarField{"leftTurn", [](CPlayerCar& c) -> void* { return &c.m_leftTurn; }, true, true},
    CarField{"rightTurn", [](CPlayerCar& c) -> void* { return &c.m_rightTurn; }, true, true},
    CarField{"x", [](CPlayerCar& c) -> void* { return &c.m_position.x; }, false, true},
    CarField{"y", [](CPlayerCar& c) -> void* { return &c.m_position.y; }, false, true},
    Real("m0", Matrix<0>), Real("m1", Matrix<1>), Real("m4", Matrix<4>), Real("m5", Matrix<5>),
    Real("wx0", WorldX<0>), Real("wy0", WorldY<0>), Real("wx1", WorldX<1>), Real("wy1", WorldY<1>),
    Real("wx2", WorldX<2>), Real("wy2", WorldY<2>), Real("wx3", WorldX<3>), Real("wy3", WorldY<3>),
    Real("a0", EdgeA<0>), Real("b0", EdgeB<0>), Real("c0", EdgeC<0>),
    Real("a1", EdgeA<1>), Real("b1", EdgeB<1>), Real("c1", EdgeC<1>),
    Real("a2", EdgeA<2>), Real("b2", EdgeB<2>), Real("c2", EdgeC<2>),
    Real("a3", EdgeA<3>), Real("b3", EdgeB<3>), Real("c3", EdgeC<3>),
};

const CarField* FindCarField(const std::string& name)
{
    for (const CarField& field : kCarFields)
        if (name == field.name)
            return &field;
    return nullptr;
}

uint32_t FieldBits(const CarField& field, const CPlayerCar& car)
{
    // The accessors name where a field lives; reading through them changes nothing.
    uint32_t bits;
    std::memcpy(&bits, field.at(const_cast<CPlayerCar&>(car)), sizeof bits);
    return bits;
}

std::string FieldText(const CarField& field, uint32_t bits)
{
    char text[32];
    float real;
    std::memcpy(&real, &bits, sizeof real);
    if (field.counter)
        std::snprintf(text, sizeof text, "%" PRId32, static_cast<int32_t>(bits));
    else
        std::snprintf(text, sizeof text, "%.9g", static_cast<double>(real));
    return text;
}

bool SettableBits(const CarField& field, uint32_t bits)
{
    return field.counter || (bits & 0x7f800000u) != 0x7f800000u; // infinity and NaN: all exponent bits set
}

void SetFieldBits(const CarField& field, CPlayerCar& car, uint32_t bits)
{
    std::memcpy(field.at(car), &bits, sizeof bits);
}

CarState TakeState(const CPlayerCar& car)
{
    CarState state;
    for (size_t i = 0; i < kCarFieldCount; ++i)
        state[i] = FieldBits(kCarFields[i], car);
    return state;
}

void RestoreState(const CarState& state, CPlayerCar& car)
{
    for (size_t i = 0; i < kCarFieldCount; ++i)
        SetFieldBits(kCarFields[i], car, state[i]);
}

uint64_t StateHash(const CPlayerCar& car)
{
    uint64_t hash = 14695981039346656037ull;
    for (const CarField& field : kCarFields)
    {
        const uint32_t bits = FieldBits(field, car);
        for (int byte = 0; byte < 4; ++byte)
            hash = (hash ^ ((bits >> (8 * byte)) & 0xffu)) * 1099511628211ull;
    }
    return hash;
}

std::string HashText(uint64_t hash)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, hash);
    return text;
}
