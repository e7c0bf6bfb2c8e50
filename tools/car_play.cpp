// car_play: replays a key script in the real window at 60 Hz through the same engine and
// game scene as the game; '=' lines set car fields as in car_trace. The whole script is
// read and checked before the window opens.
//
//   car_play [--exit] FILE
//
// Keys: P pauses and resumes, N advances one step while paused, Escape or the window's
// close button quits. The driving keys of the keyboard do not reach the car. After the last
// step its picture stays until Escape; --exit ends there instead. On exit one line goes to
// stderr: "car_play: 600 steps in 10.00 s, 60.00 steps/s, at most 2 ticks owed" (paused
// time not counted).
// Exit status: 0 done, 1 the file cannot be read or the game cannot start, 2 a bad script
// line (its number is given) or a bad command line.

#include <allegro.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/FrameLoop.h"
#include "app/GameStep.h"
#include "app/Startup.h"
#include "engine/GameScene.h"
#include "shared/Globals.h"
#include "tools/KeyScript.h"
#include "tools/ToolSupport.h"

namespace
{

constexpr const char* kName = "car_play";

/// One script step per frame step, its keys held still for the whole step, so the car
/// sees only them.
class CPlayStep : public IFrameStep
{
public:
    CPlayStep(const std::vector<ScriptLine>& script, bool exitAtEnd)
        : m_script(script), m_exitAtEnd(exitAtEnd)
    {
    }

    void Run() override
    {
        TakeCommands();
        if (m_paused && m_singleSteps == 0)
            return;
        while (m_next < m_script.size() && !m_script[m_next].isStep)
            ApplySettings(m_script[m_next++], *CGameScene::PlayerCar());
        if (m_next == m_script.size())
        {
            if (m_exitAtEnd)
                g_quitRequested.store(true);
            return; // the last picture stays on the screen
        }
        if (m_singleSteps > 0)
            --m_singleSteps;
        const int owed = g_ticks.load();
        m_mostOwed = owed > m_mostOwed ? owed : m_mostOwed;
        m_step.RunHolding(m_script[m_next++].keys);
        ++m_steps;
        m_playedSeconds = SecondsSince(m_start) - m_pausedSeconds;
    }

    /// The pacing line printed at exit.
    std::string Summary() const
    {
        char line[160];
        const double rate = m_playedSeconds > 0 ? m_steps / m_playedSeconds : 0.0;
        std::snprintf(line, sizeof line, "%s: %ld steps in %.2f s, %.2f steps/s, at most %d ticks owed",
                      kName, m_steps, m_playedSeconds, rate, m_mostOwed);
        return line;
    }

private:
    /// P and N from the keyboard buffer; every other key is dropped from it.
    void TakeCommands()
    {
        while (keypressed())
        {
            const int scancode = readkey() >> 8;
            if (scancode == KEY_P)
            {
                m_paused = !m_paused;
                if (m_paused)
                    m_pausedAt = std::chrono::steady_clock::now();
                else
                    m_pausedSeconds += SecondsSince(m_pausedAt);
            }
            else if (scancode == KEY_N && m_paused)
                ++m_singleSteps;
        }
    }

    // Still: the script's keys are set under the screen lock, so the keyboard's never reach the car.
    CGameStep m_step{FrameStepOptions{.show = true, .stillKeyboard = true}};
    const std::vector<ScriptLine>& m_script;
    bool m_exitAtEnd;
    size_t m_next = 0;
    bool m_paused = false;
    int m_singleSteps = 0;
    long m_steps = 0;
    int m_mostOwed = 0;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point m_pausedAt;
    double m_pausedSeconds = 0.0;
    double m_playedSeconds = 0.0;
};

} // namespace

int main(int argc, char* argv[])
{
    UseBinaryStandardStreams();
    bool exitAtEnd = false;
    const char* path = nullptr;
    if (!ReadFlagAndFile(argc, argv, "--exit", exitAtEnd, path))
    {
        std::fprintf(stderr, "usage: %s [--exit] FILE\n", kName);
        return 2;
    }

    std::vector<ScriptLine> script;
    std::string error;
    const int status = ReadKeyScript(path, script, error);
    if (status != 0)
    {
        std::fprintf(stderr, "%s: %s\n", kName, error.c_str());
        return status;
    }

    if (!StartGame(kName))
        return 1;
    CPlayStep step(script, exitAtEnd);
    g_ticks.store(0); // the clock starts with the first tick of play, not of start-up
    RunFrameLoop(step);
    StopGame();
    std::fprintf(stderr, "%s\n", step.Summary().c_str());
    return 0;
}
