#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

class CPlayerCar;

// The trace that car_trace prints: a header line of column names, then one line a step.
// The columns are defined once, in Trace.cpp; every reader finds a column by its name.

/// One value of a trace line: a float field or a whole-number field of the car.
struct TraceValue
{
    bool isCount = false; ///< a counter (int32), printed as a whole number
    float real = 0.0f;    ///< a float field, printed with %.9g, which reads back to the same float
    int32_t count = 0;
};

/// One column of the trace: its name in the header line and the car value it shows.
struct TraceColumn
{
    const char* name;
    TraceValue (*value)(const CPlayerCar& car);
};

/// The header line, without its newline: "step", then every column's name.
std::string TraceHeader();

/// Writes one trace line: the step number, then every column's value, then a newline.
void PrintTraceLine(FILE* out, long step, const CPlayerCar& car);
