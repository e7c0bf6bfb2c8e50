#include "app/FrameLoop.h"

#include <allegro.h>

#include "app/Globals.h"
#include "engine/Engine.h"
#include "engine/IScene.h"

void ShowBuffer()
{
    acquire_screen();
    blit(g_buffer, screen, 0, 0, 0, 0, kScreenWidth, kScreenHeight);
    release_screen();
}

void CGameStep::Run()
{
    g_engine->m_sceneManager->Current()->Update();
    ShowBuffer();
}

bool QuitRequested()
{
    return key[KEY_ESC] || g_quitRequested.load();
}

void RunOwedSteps(IFrameStep& step)
{
    while (g_ticks.load() > 0)
    {
        if (QuitRequested())
            break; // the owed ticks are dropped
        step.Run();
        clear_to_color(g_buffer, makecol(0, 0, 0));
        g_ticks.fetch_sub(1);
    }
}

void RunOwedSteps()
{
    CGameStep step;
    RunOwedSteps(step);
}

void RunFrameLoop(IFrameStep& step)
{
    while (!QuitRequested())
        RunOwedSteps(step);
}

void RunFrameLoop()
{
    CGameStep step;
    RunFrameLoop(step);
}
