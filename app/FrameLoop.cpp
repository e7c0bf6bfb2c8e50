#include "app/FrameLoop.h"

#include <allegro.h>

#include "app/Globals.h"
#include "engine/Engine.h"
#include "engine/IScene.h"

void RunOwedSteps()
{
    while (g_ticks.load() > 0)
    {
        if (key[KEY_ESC])
            break; // the owed ticks are dropped
        g_engine->m_sceneManager->Current()->Update();
        acquire_screen();
        blit(g_buffer, screen, 0, 0, 0, 0, kScreenWidth, kScreenHeight);
        release_screen();
        clear_to_color(g_buffer, makecol(0, 0, 0));
        g_ticks.fetch_sub(1);
    }
}

void RunFrameLoop()
{
    while (!key[KEY_ESC])
        RunOwedSteps();
}
