#pragma once

// The game's global state, shared by every layer: the engine finds its registry here, the
// geometry and the actors draw into the back buffer, the actors draw the car image. The
// application shell (app/) defines it, sets it once at start-up and releases it at teardown;
// nothing below app/ includes anything of app/.

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

/// Set when the window's close button is clicked, on SIGINT or SIGTERM, or when a tool is
/// done: the frame loop then ends as it does on Escape. Written from other threads.
extern std::atomic<bool> g_quitRequested;

constexpr int kScreenWidth = 840;  ///< pixels
constexpr int kScreenHeight = 640; ///< pixels
constexpr int kColourDepth = 32;   ///< bits per pixel
constexpr int kTicksPerSecond = 60;
constexpr const char* kCarImagePath = "Data/Textures/Car.bmp";
