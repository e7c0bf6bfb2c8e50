#include "app/Globals.h"

#include <allegro.h>

CEngine* g_engine = nullptr;
std::atomic<int32_t> g_ticks{0};
BITMAP* g_buffer = nullptr;
BITMAP* g_carBitmap = nullptr;
std::atomic<bool> g_quitRequested{false};

void TickHandler()
{
    g_ticks.fetch_add(1);
}
END_OF_FUNCTION(TickHandler)

void CloseButtonHandler()
{
    g_quitRequested.store(true);
}
END_OF_FUNCTION(CloseButtonHandler)

void QuitSignalHandler(int)
{
    g_quitRequested.store(true);
}
