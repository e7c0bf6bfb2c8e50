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

/// A driving key: its bit, the library's scancode, and its letter in key scripts.
struct DrivingKey
{
    uint8_t bit;
    int scancode;
    char letter;
};

/// The driving keys, Up Down Left Right Space: the one table of them, which the frame
/// step, the key scripts, the tests and the page's keys all read.
constexpr int kDrivingKeyCount = 5;
extern const DrivingKey kDrivingKeys[kDrivingKeyCount];

/// The driving key of a key-script letter (U D L R S, either case), or null.
const DrivingKey* DrivingKeyOfLetter(char letter);

/// The driving keys held now in the library's key-state array (KeyBits).
uint8_t HeldKeys();

/// Sets the library's key-state entries of the five driving keys to `keys` (KeyBits).
void HoldKeys(uint8_t keys);
