#include "app/FrameLoop.h"

#include <allegro.h>

#include "app/GameStep.h"
#include "shared/Globals.h"

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
