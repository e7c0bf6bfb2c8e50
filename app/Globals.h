#pragma once

#include <atomic>
#include <cstdint>

struct BITMAP;
class CEngine;

/// The engine registry; created first at start-up, freed by ReleaseEngine at teardown.
extern CEngine* g_engine;

/// Frame steps owed. The timer thread only adds one, the frame loop only subtracts one.
extern std::atomic<int32_t> g_ticks;

/// The 840 x 640 back buffer every actor draws into; owned by start-up and teardown.
extern BITMAP* g_buffer;

/// The car sprite loaded from Data/Textures/Car.bmp; owned by start-up and teardown.
extern BITMAP* g_carBitmap;

/// Set when the window's close button is clicked (or a tool is done): the frame loop
/// then ends as it does on Escape. Written from the library's own thread.
extern std::atomic<bool> g_quitRequested;

/// The 60 Hz timer callback, run on the library's timer thread: one more step owed.
void TickHandler();

/// The close-button callback, run on the library's input thread: asks the loop to end.
void CloseButtonHandler();

/// The SIGINT and SIGTERM handler: asks the loop to end (a lock-free store, signal-safe).
void QuitSignalHandler(int signal);

constexpr int kScreenWidth = 840;  ///< pixels
constexpr int kScreenHeight = 640; ///< pixels
constexpr int kColourDepth = 32;   ///< bits per pixel
constexpr int kTicksPerSecond = 60;
constexpr const char* kCarImagePath = "Data/Textures/Car.bmp";
