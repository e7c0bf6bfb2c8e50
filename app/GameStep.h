#pragma once

#include <cstdint>

#include "app/IFrameStep.h"

/// How a program runs the game's frame step. The order of the step is CGameStep's alone.
struct FrameStepOptions
{
    /// Copy each picture to `screen`; off where nobody looks (a trace without pictures).
    bool show = true;

    /// Hold the keyboard still for the whole step: the screen is acquired before the keys
    /// are set or read and released once the picture is shown, and the library's input
    /// thread does not run meanwhile, so the car reads one unchanging key state and
    /// KeysRead() is that state. Needs a real screen. Recordings rely on it.
    bool stillKeyboard = false;
};

/// The game's frame step, the one place that fixes the order of a step:
///   1. with a still keyboard, the screen acquired (the library's input thread waits);
///   2. the input waiting at the window taken into `key`;
///   3. the driving keys set to the ones given for this step, if any;
///   4. the current scene's Update: every actor steps and draws itself into g_buffer;
///   5. the picture shown: the whole of g_buffer blitted to `screen` and sent;
///   6. g_buffer cleared to black, so that every step starts from nothing.
/// The game runs it as it is; car_record, car_play and car_trace choose its options and
/// its keys.
class CGameStep : public IFrameStep
{
public:
    explicit CGameStep(const FrameStepOptions& options = {}) : m_options(options) {}

    /// One frame step that reads the keyboard as it is.
    void Run() override { Step(nullptr); }

    /// One frame step with the driving keys set to `keys` (KeyBits) first: the keyboard
    /// does not reach the car.
    void RunHolding(uint8_t keys) { Step(&keys); }

    /// The driving keys the latest step read (KeyBits).
    uint8_t KeysRead() const { return m_keysRead; }

private:
    void Step(const uint8_t* hold);

    FrameStepOptions m_options;
    uint8_t m_keysRead = 0;
};
