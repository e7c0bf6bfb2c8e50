// car_play: replays a key script or a link in the real window through the same engine, game scene
// and frame step as the game, to study a drive: slower or faster, paused, a step at a time
// forward or back, every step exact (docs/tools.md).


#include <cstdio>
#include <string>

#include "app/FrameLoop.h"
#include "app/Startup.h"
#include "shared/Globals.h"
#include "tools/CommandLine.h"
#include "tools/KeyScript.h"
#include "tools/ReplayPlayer.h"
#include "tools/ToolSupport.h"

namespace
{
constexpr const char* kName = "car_play";
} // namespace

int main(int argc, char* argv[])
{
    UseBinaryStandardStreams();
    bool exitAtEnd = false;
    int speed = CReplayPlayer::kRealTime;
    long pauseAt = -1;
    CCommandLine commandLine(
        kName,
        {{"--exit", nullptr, nullptr, [&](const char*) { return (exitAtEnd = true); }},
         {"--speed", "X", nullptr,
          [&](const char* v) { return (speed = CReplayPlayer::SpeedNamed(v)) >= 0; }},
         {"--pause-at", "STEP", nullptr, [&](const char* v) { return ReadNumber(v, 0, pauseAt); }}},
        "FILE|LINK", "", kReplayKeysHelp);
    const int status = commandLine.Read(argc, argv);
    if (status >= 0)
        return status;

    Drive drive;
    std::string said;
    const int read = ReadDrive(commandLine.Operand(), drive, said);
    if (!said.empty())
        std::fprintf(stderr, "%s: %s\n", kName, said.c_str());
    if (read != 0)
        return read;

    if (!StartGame(kName))
        return 1;
    // Both kinds of step hold the keyboard still: the drive's keys are set under the
    // screen lock, so the real keyboard's never reach the car.
    CReplayPlayer player(drive, FrameStepOptions{.show = true, .stillKeyboard = true}, speed, pauseAt);
    bool told = false;
    CFrameStepOf step([&] {
        player.Run();
        if (!told && !player.Divergence().empty())
        {
            std::fprintf(stderr, "%s: %s\n", kName, player.Divergence().c_str());
            told = true;
        }
        // The last step's picture was shown for a tick; where the replay parted, at once.
        if (exitAtEnd && (player.AtEnd() || told))
            g_quitRequested.store(true);
    });
    g_ticks.store(0); // the clock starts with the first tick of play, not of start-up
    RunFrameLoop(step);
    StopGame();
    std::fprintf(stderr, "%s: %s\n", kName, player.Pacing().c_str());
    return player.Divergence().empty() ? 0 : kStatusDiverged;
}
