#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

class CPlayerCar;

// The trace that car_trace prints: a header line of column names, then one line a step.
// The columns are the car's fields (tools/CarFields.h) between the step and the state hash;
// every reader finds a column by its name.

/// The header line, without its newline: "step", then every field's name, then "hash".
std::string TraceHeader();

/// Writes one trace line: the step number, every field's value (floats with %.9g, which
/// reads back to the same float), the state hash, a newline. Returns that state hash.
uint64_t PrintTraceLine(FILE* out, long step, const CPlayerCar& car);
