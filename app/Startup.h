#pragma once

#include <string_view>

/// Where the game runs: in its window, or without a display (tools, benchmarks, tests).
enum class StartMode
{
    kWindow,         ///< the 840 x 640 32-bit window, keyboard, mouse and 60 Hz timer
    kHeadless,       ///< the library's system driver "none"; `screen` stays null: steps must not show
    kHeadlessScreen, ///< the same with an 840 x 640 memory bitmap as `screen`, holding the last picture shown
};

/// Brings the game up in its fixed order: engine, library, then in the window keyboard,
/// mouse, 32-bit 840 x 640 window, mouse pointer and 60 Hz timer (headless: 32-bit colour
/// and the screen asked for; the caller writes `key` and `g_ticks` itself), then the black
/// back buffer, the car image (`carImage`, its file's bytes, where the program holds them;
/// else read from kCarImagePath) and the game scene started through SetScene(0). On a
/// failure writes one line naming it to stderr, releases what was acquired and returns
/// false; nothing is left half started.
bool StartGame(const char* programName, StartMode mode = StartMode::kWindow, std::string_view carImage = {});

/// Tears the game down in its fixed order: the key buffer cleared, the engine released,
/// the timer handler removed, a memory screen, the back buffer and the car image
/// destroyed, the library shut down. Call only after StartGame succeeded.
void StopGame();
