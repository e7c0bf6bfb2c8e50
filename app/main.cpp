// The game: one car seen from above, driven with the arrow keys until Escape.

#include <allegro.h>

#include "app/FrameLoop.h"
#include "app/Startup.h"

int main(int argc, char* argv[])
{
    (void)argc;
    (void)argv;
    if (!StartGame("racer"))
        return 1;
    RunFrameLoop();
    StopGame();
    return 0;
}
END_OF_MAIN()
