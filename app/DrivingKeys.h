#pragma once

#include <cstdint>

/// The five driving keys as bits, one per key: the state a frame step holds or reads.
enum KeyBits : uint8_t
{
    kKeyUp = 1,
    kKeyDown = 2,
    kKeyLeft = 4,
    kKeyRight = 8,
    kKeySpace = 16,
};

/// The driving keys held now in the library's key-state array (KeyBits).
uint8_t HeldKeys();

/// Sets the library's key-state entries of the five driving keys to `keys` (KeyBits).
void HoldKeys(uint8_t keys);
