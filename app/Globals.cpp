#include "app/Globals.h"

#include <allegro.h>

CEngine* g_engine = nullptr;
std::atomic<int32_t> g_ticks{0};
BITMAP* g_buffer = nullptr;
BITMAP* g_carBitmap = nullptr;

void TickHandler()
{
    g_ticks.fetch_add(1);
}
END_OF_FUNCTION(TickHandler)
