#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

class CPlayerCar;

// The trace that car_trace prints: a header line of column names, then one line a step.
// The columns are defined once, in Trace.cpp; every reader finds a column by its name. The
// last column, "hash", is the car's state hash over all the others.

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

/// The car's state hash: 64-bit FNV-1a (offset basis 14695981039346656037, prime
/// 1099511628211) over the four bytes of every trace column's value, in the trace's order,
/// least significant byte first: a float's IEEE-754 single-precision bit pattern, a
/// counter's 32-bit two's complement. The same on every platform for the same state.
uint64_t StateHash(const CPlayerCar& car);

/// A state hash as written in traces and key scripts: 16 lowercase hex digits.
std::string HashText(uint64_t hash);

/// The header line, without its newline: "step", then every column's name, then "hash".
std::string TraceHeader();

/// Writes one trace line: the step number, every column's value, the state hash, a newline.
/// Returns that state hash.
uint64_t PrintTraceLine(FILE* out, long step, const CPlayerCar& car);
