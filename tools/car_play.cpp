// car_play: replays a key script or a link in the real window through the same engine, game
// scene and frame step as the game, to study a drive: slower or faster, paused, a step at a
// time forward or back, every step exact (docs/tools.md).

#include <cstdio>
#include <string>

#include "app/FrameLoop.h"
#include "app/GameStep.h"
#include "app/Startup.h"
#include "shared/Globals.h"
#include "tools/KeyScript.h"
#include "tools/Replay.h"
#include "tools/ToolSupport.h"

namespace
{

constexpr const char* kName = "car_play";

constexpr const char* kUsage =
    "usage: car_play [--exit] [--speed X] [--pause-at STEP] FILE|LINK\n"
    "Checks the whole drive, then replays it in the window; the keyboard's driving keys do not\n"
    "reach the car.\n"
    "  --exit            ends after the last step (at once where a state hash differs)\n"
    "  --speed X         starts at 0.25, 0.5, 1, 2 or 4 times real time\n"
    "  --pause-at STEP   pauses once step STEP is shown\n"
    "keys in the window:\n"
    "  P          pause, and play on\n"
    "  N          one step forward (paused)\n"
    "  B          one step back (paused)\n"
    "  Home       back to the start\n"
    "  + and -    twice and half as fast (a quarter to four times real time)\n"
    "  Escape     quit (so does the window's close button)\n"
    "Exit status: 0 done, 1 a file that cannot be read or a start-up failure, 2 a bad script,\n"
    "link or command line, 3 the replay left the recording (a state hash differed).\n";

} // namespace

int main(int argc, char* argv[])
{
    UseBinaryStandardStreams();
    bool exitAtEnd = false;
    int speed = CReplay::kRealTime;
    long pauseAt = -1;
    const option options[] = {{"exit", no_argument, nullptr, 'x'}, {"speed", required_argument, nullptr, 's'},
                              {"pause-at", required_argument, nullptr, 'p'}, {"help", no_argument, nullptr, 'h'},
                              {}};
    const int status = ReadOptions(argc, argv, options, kUsage, [&](int code, const char* value) {
        if (code == 'x')
            return exitAtEnd = true;
        return code == 's' ? (speed = CReplay::SpeedNamed(value)) >= 0 : ReadNumber(value, 0, pauseAt);
    });
    if (status >= 0)
        return status;
    if (optind != argc - 1)
        return UsageError(kUsage);

    Drive drive;
    std::string said;
    const int read = ReadDrive(argv[optind], drive, said);
    if (!said.empty())
        std::fprintf(stderr, "%s: %s\n", kName, said.c_str());
    if (read != 0)
        return read;

    if (!StartGame(kName))
        return 1;
    // Both kinds of step hold the keyboard still: the drive's keys are set under the
    // screen lock, so the real keyboard's never reach the car.
    CReplay replay(drive, FrameStepOptions{.show = true, .stillKeyboard = true});
    replay.SetSpeed(speed);
    replay.PauseAt(pauseAt);
    bool told = false;
    CFrameStepOf step([&] {
        replay.Run();
        if (!told && !replay.Divergence().empty())
        {
            std::fprintf(stderr, "%s: %s\n", kName, replay.Divergence().c_str());
            told = true;
        }
        // The last step's picture was shown for a tick; where the replay parted, at once.
        if (exitAtEnd && (replay.AtEnd() || told))
            g_quitRequested.store(true);
    });
    g_ticks.store(0); // the clock starts with the first tick of play, not of start-up
    RunFrameLoop(step);
    StopGame();
    std::fprintf(stderr, "%s: %s\n", kName, replay.Pacing().c_str());
    return replay.Divergence().empty() ? 0 : kStatusDiverged;
}
