#pragma once

/// Brings the game up in its fixed order: engine, library, keyboard, mouse, 32-bit
/// 840 x 640 window, mouse pointer, 60 Hz timer, black back buffer, car image, game scene
/// started through SetScene(0). On a failure writes one line naming it to stderr,
/// releases what was acquired and returns false; nothing is left half started.
bool StartGame(const char* programName);

/// Whether a start-up without a display has a `screen` to show the pictures on.
enum class HeadlessScreen
{
    kNone,   ///< `screen` stays null: the frame step must not show
    kMemory, ///< an 840 x 640 memory bitmap, black, which holds the last picture shown
};

/// Start-up without a display, for tools, benchmarks and tests: engine, library with the
/// system driver "none", 32-bit colour, the screen asked for, then as StartGame from the
/// back buffer on. No keyboard, mouse, window or timer: the caller writes `key` and
/// `g_ticks` itself.
bool StartHeadless(const char* programName, HeadlessScreen withScreen);

/// Tears the game down in its fixed order: the key buffer cleared, the engine released,
/// the timer handler removed, a memory screen, the back buffer and the car image
/// destroyed, the library shut down.
/// Call only after StartGame or StartHeadless succeeded.
void StopGame();
