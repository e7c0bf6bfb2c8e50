#include "tools/Trace.h"

#include <cinttypes>
#include <cstring>

#include "actors/PlayerCar.h"

namespace
{

TraceValue Real(float v) { return TraceValue{false, v, 0}; }
TraceValue Count(int32_t v) { return TraceValue{true, 0.0f, v}; }

template <int i> TraceValue Matrix(const CPlayerCar& c) { return Real(c.m_transform[i]); }
template <int i> TraceValue WorldX(const CPlayerCar& c) { return Real(c.m_worldVertices[i].x); }
template <int i> TraceValue WorldY(const CPlayerCar& c) { return Real(c.m_worldVertices[i].y); }
template <int i> TraceValue EdgeA(const CPlayerCar& c) { return Real(c.m_edgeA[i]); }
template <int i> TraceValue EdgeB(const CPlayerCar& c) { return Real(c.m_edgeB[i]); }
template <int i> TraceValue EdgeC(const CPlayerCar& c) { return Real(c.m_edgeC[i]); }

// The car's whole state after a step, in the order of the trace's columns. A new column
// goes here and nowhere else: the header, the printer and every reader follow.
const TraceColumn kTraceColumns[] = {
    {"speed", [](const CPlayerCar& c) { return Real(c.m_speed); }},
    {"direction", [](const CPlayerCar& c) { return Real(c.m_direction); }},
    {"angle", [](const CPlayerCar& c) { return Real(c.m_angle); }},
    {"angleGap", [](const CPlayerCar& c) { return Real(c.m_angleGap); }},
    {"leftTurn", [](const CPlayerCar& c) { return Count(c.m_leftTurn); }},
    {"rightTurn", [](const CPlayerCar& c) { return Count(c.m_rightTurn); }},
    {"x", [](const CPlayerCar& c) { return Real(c.m_position.x); }},
    {"y", [](const CPlayerCar& c) { return Real(c.m_position.y); }},
    // The rotation's four elements that are not fixed at 0 or 1.
    {"m0", Matrix<0>}, {"m1", Matrix<1>}, {"m4", Matrix<4>}, {"m5", Matrix<5>},
    // The polygon's world vertices.
    {"wx0", WorldX<0>}, {"wy0", WorldY<0>}, {"wx1", WorldX<1>}, {"wy1", WorldY<1>},
    {"wx2", WorldX<2>}, {"wy2", WorldY<2>}, {"wx3", WorldX<3>}, {"wy3", WorldY<3>},
    // Each edge's line A x + B y + C = 0.
    {"a0", EdgeA<0>}, {"b0", EdgeB<0>}, {"c0", EdgeC<0>},
    {"a1", EdgeA<1>}, {"b1", EdgeB<1>}, {"c1", EdgeC<1>},
    {"a2", EdgeA<2>}, {"b2", EdgeB<2>}, {"c2", EdgeC<2>},
    {"a3", EdgeA<3>}, {"b3", EdgeB<3>}, {"c3", EdgeC<3>},
};

} // namespace

uint64_t StateHash(const CPlayerCar& car)
{
    uint64_t hash = 14695981039346656037ull;
    for (const TraceColumn& column : kTraceColumns)
    {
        const TraceValue v = column.value(car);
        uint32_t bits;
        if (v.isCount)
            bits = static_cast<uint32_t>(v.count);
        else
            std::memcpy(&bits, &v.real, sizeof bits);
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

std::string TraceHeader()
{
    std::string header = "step";
    for (const TraceColumn& column : kTraceColumns)
        header += std::string(" ") + column.name;
    return header + " hash";
}

uint64_t PrintTraceLine(FILE* out, long step, const CPlayerCar& car)
{
    std::fprintf(out, "%ld", step);
    for (const TraceColumn& column : kTraceColumns)
    {
        const TraceValue v = column.value(car);
        if (v.isCount)
            std::fprintf(out, " %" PRId32, v.count);
        else
            std::fprintf(out, " %.9g", static_cast<double>(v.real));
    }
    const uint64_t hash = StateHash(car);
    std::fprintf(out, " %s\n", HashText(hash).c_str());
    return hash;
}
