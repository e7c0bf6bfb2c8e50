#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

class CPlayerCar;

// The car's state as the tools see it, in one table: the trace's columns, the fields a
// script's "=" line sets, the state hash and a replay's snapshot all follow from it, so a
// new field of the car is one line here.

/// One field of the car: a float, or a whole number (a counter).
struct CarField
{
    const char* name;             ///< as the trace's header and a "=" line name it
    void* (*at)(CPlayerCar& car); ///< where its four bytes live
    bool counter;                 ///< an int32_t, else a float
    bool settable;                ///< a "=" line may set it
};

constexpr size_t kCarFieldCount = 32;

/// Every field a step reads or writes, in the trace's order: the driving state, the position,
/// the rotation's four elements not fixed at 0 or 1, the polygon's world vertices and each
/// edge's line A x + B y + C = 0.
extern const std::array<CarField, kCarFieldCount> kCarFields;

/// The field called `name`, or null.
const CarField* FindCarField(const std::string& name);

/// A field's four bytes: a float's IEEE-754 bit pattern, a counter's two's complement.
uint32_t FieldBits(const CarField& field, const CPlayerCar& car);

/// Stores four bytes, as FieldBits gives them, in the field.
void SetFieldBits(const CarField& field, CPlayerCar& car, uint32_t bits);

/// A field's value as the trace and a set line write it: a float with %.9g, which reads back
/// to the same float; a counter as a whole number.
std::string FieldText(const CarField& field, uint32_t bits);

/// Whether a set line may give the field these bits: any counter, a finite float.
bool SettableBits(const CarField& field, uint32_t bits);

/// The car's whole state: every field's bits. Restored, the car steps and draws exactly as
/// it did from that state (the rest of it never changes after construction).
using CarState = std::array<uint32_t, kCarFieldCount>;
CarState TakeState(const CPlayerCar& car);
void RestoreState(const CarState& state, CPlayerCar& car);

/// The car's state hash: 64-bit FNV-1a (offset basis 14695981039346656037, prime
/// 1099511628211) over the four bytes of every field in the table's order, least
/// significant byte first. The same on every platform for the same state.
uint64_t StateHash(const CPlayerCar& car);

/// A state hash as written in traces and key scripts: 16 lowercase hex digits.
std::string HashText(uint64_t hash);
