#pragma once

#include <cstdint>

/// One frame step of the current scene with the keyboard held still: the screen is
/// acquired for the whole step, and the library's input thread does not run while it is,
/// so the car reads one unchanging key state. With `hold` the driving keys are first set
/// to it (the real keyboard then cannot reach the car). The picture is shown before the
/// screen is released. Returns the driving keys the step read (KeyBits).
uint8_t StepWithStillKeyboard(const uint8_t* hold);
