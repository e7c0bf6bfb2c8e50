#include "app/DrivingKeys.h"

#include <allegro.h>

const DrivingKey kDrivingKeys[kDrivingKeyCount] = {
    {kKeyUp, KEY_UP, 'U'}, {kKeyDown, KEY_DOWN, 'D'}, {kKeyLeft, KEY_LEFT, 'L'},
    {kKeyRight, KEY_RIGHT, 'R'}, {kKeySpace, KEY_SPACE, 'S'},
};

const DrivingKey* DrivingKeyOfLetter(char letter)
{
    const char upper = (letter >= 'a' && letter <= 'z') ? static_cast<char>(letter - 'a' + 'A') : letter;
    for (const DrivingKey& k : kDrivingKeys)
        if (k.letter == upper)
            return &k;
    return nullptr;
}

uint8_t HeldKeys()
{
    uint8_t keys = 0;
    for (const DrivingKey& k : kDrivingKeys)
        if (key[k.scancode] != 0)
            keys |= k.bit;
    return keys;
}

void HoldKeys(uint8_t keys)
{
    for (const DrivingKey& k : kDrivingKeys)
        key[k.scancode] = (keys & k.bit) != 0 ? 1 : 0;
}
