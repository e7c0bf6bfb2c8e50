// car_play: replays a key script in the real window through the same engine, game scene
// and frame step as the game, to study a drive: slower or faster, paused, a step at a time
// forward or back, every step exact (docs/tools.md).

#include <allegro.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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
constexpr int kRealTime = 2; ///< the index of "1" in CReplayPlayer::Speeds()

/// The player's tick, and the end of the replay when asked for at its end.
class CPlayStep : public IFrameStep
{
public:
    CPlayStep(CReplayPlayer& player, bool exitAtEnd) : m_player(player), m_exitAtEnd(exitAtEnd) {}

    void Run() override
    {
        m_player.Run();
        // The last step's picture was shown for a tick.
        if (m_exitAtEnd && m_player.AtEnd() && m_player.Divergence().empty())
            g_quitRequested.store(true);
    }

private:
    CReplayPlayer& m_player;
    bool m_exitAtEnd;
};

} // namespace

int main(int argc, char* argv[])
{
    UseBinaryStandardStreams();
    bool exitAtEnd = false;
    int speed = kRealTime;
    long pauseAt = -1;
    CCommandLine commandLine(
        kName,
        {{"--exit", nullptr, nullptr, [&](const char*) { return (exitAtEnd = true); }},
         {"--speed", "X", nullptr,
          [&](const char* v) {
              for (size_t s = 0; s < CReplayPlayer::Speeds().size(); ++s)
                  if (CReplayPlayer::Speeds()[s] == v)
                      return (speed = static_cast<int>(s)), true;
              return false;
          }},
         {"--pause-at", "STEP", nullptr,
          [&](const char* v) {
              char* end = nullptr;
              pauseAt = std::strtol(v, &end, 10);
              return *end == '\0' && pauseAt >= 0;
          }}},
        "FILE", "", kReplayKeysHelp);
    const int status = commandLine.Read(argc, argv);
    if (status >= 0)
        return status;

    std::vector<ScriptLine> script;
    std::string error;
    const int read = ReadKeyScript(commandLine.Operand(), script, error);
    if (read != 0)
    {
        std::fprintf(stderr, "%s: %s\n", kName, error.c_str());
        return read;
    }

    if (!StartGame(kName))
        return 1;
    // Both kinds of step hold the keyboard still: the script's keys are set under the
    // screen lock, so the real keyboard's never reach the car.
    CReplayPlayer player(script, FrameStepOptions{.show = true, .stillKeyboard = true}, speed, pauseAt,
                         [exitAtEnd](const std::string& divergence) {
                             std::fprintf(stderr, "%s: %s\n", kName, divergence.c_str());
                             if (exitAtEnd)
                                 g_quitRequested.store(true);
                         });
    CPlayStep step(player, exitAtEnd);
    g_ticks.store(0); // the clock starts with the first tick of play, not of start-up
    RunFrameLoop(step);
    StopGame();
    std::fprintf(stderr, "%s: %s\n", kName, player.Pacing().c_str());
    return player.Divergence().empty() ? 0 : kStatusDiverged;
}
