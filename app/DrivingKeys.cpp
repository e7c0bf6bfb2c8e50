#include "app/DrivingKeys.h"

#include <allegro.h>

namespace
{
struct DrivingKey
{
    uint8_t bit;
    int scancode;
};
constexpr DrivingKey kDrivingKeys[] = {
    {kKeyUp, KEY_UP}, {kKeyDown, KEY_DOWN}, {kKeyLeft, KEY_LEFT}, {kKeyRight, KEY_RIGHT}, {kKeySpace, KEY_SPACE},
};
} // namespace

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
