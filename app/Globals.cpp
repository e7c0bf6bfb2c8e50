#include "shared/Globals.h"

CEngine* g_engine = nullptr;
std::atomic<int32_t> g_ticks{0};
BITMAP* g_buffer = nullptr;
BITMAP* g_carBitmap = nullptr;
std::atomic<bool> g_quitRequested{false};
