// racer_old_step: the game as it ran before its frame step took the window's input and
// sent its picture itself, leaving both to the graphics library's 10 ms X pass. For
// scripts/bench, which measures both games' press-to-pixel latency side by side. The
// window is named racer_old_step; nothing else differs.

#include <allegro.h>

#include "app/FrameLoop.h"
#include "app/GameStep.h"
#include "app/Startup.h"

int main(int argc, char* argv[])
{
    (void)argc;
    (void)argv;
    if (!StartGame("racer_old_step"))
        return 1;
    CGameStep step(FrameStepOptions{.immediateDisplay = false});
    RunFrameLoop(step);
    StopGame();
    return 0;
}
END_OF_MAIN()
