// car_play: replays a key script in the real window through the same engine, game scene
// and frame step as the game; '=' lines set car fields as in car_trace. The whole script
// is read and checked before the window opens. A replay you can study: slower or faster,
// paused, a step at a time forward or back, from the start again; every step exact.
//
//   car_play [--exit] [--speed X] [--pause-at STEP] FILE
//   car_play --help
//
// --speed X plays at X times real time (0.25, 0.5, 1, 2 or 4; real time is 60 steps a
// second): only the time between steps changes, never a step. --pause-at STEP pauses once
// that step is shown. After the last step its picture stays until Escape; --exit ends
// there instead. The driving keys of the keyboard do not reach the car. Keys: see kKeys.
//
// A recorded script gives the car's state hash after each step; at the first that
// differs, the replay stops with that step's picture in the window and one line on
// stderr that names the script line, the step and both hashes ("car_play: line 57, step
// 54: the script holds state hash ..., this build reached ..."); --exit then ends at once.
// On exit one line goes to stderr: "car_play: 600 steps in 10.00 s, 60.00 steps/s, at
// most 2 ticks owed" (steps played forward; paused time not counted).
// Exit status: 0 done, 1 the file cannot be read or the game cannot start, 2 a bad script
// line (its number is given) or a bad command line, 3 the replay left the recording.

#include <allegro.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "app/FrameLoop.h"
#include "app/Startup.h"
#include "shared/Globals.h"
#include "tools/KeyScript.h"
#include "tools/Replay.h"
#include "tools/ToolSupport.h"

namespace
{

constexpr const char* kName = "car_play";

constexpr const char* kUsage = "usage: car_play [--exit] [--speed X] [--pause-at STEP] FILE\n";

constexpr const char* kKeys =
    "keys in the window:\n"
    "  P          pause, and play on\n"
    "  N          one step forward (paused)\n"
    "  B          one step back (paused)\n"
    "  Home       back to the start\n"
    "  + and -    twice and half as fast (a quarter to four times real time)\n"
    "  Escape     quit (so does the window's close button)\n";

/// A speed on offer: as --speed takes it, and in steps a second.
struct Speed
{
    const char* times;
    int stepsPerSecond;
};
/// A quarter of real time to four times, slowest first.
constexpr Speed kSpeeds[] = {{"0.25", 15}, {"0.5", 30}, {"1", 60}, {"2", 120}, {"4", 240}};
constexpr int kRealTime = 2; ///< index of 60 steps a second
constexpr int kFastest = static_cast<int>(std::size(kSpeeds)) - 1;

struct Options
{
    bool exitAtEnd = false;
    int speed = kRealTime; ///< index into kSpeeds
    long pauseAt = -1;     ///< step at which to pause, or none
    const char* path = nullptr;
};

/// Reads the command line; false when it is not one car_play understands.
bool ReadOptions(int argc, char* argv[], Options& options)
{
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (arg == "--exit")
            options.exitAtEnd = true;
        else if (arg == "--speed" && i + 1 < argc)
        {
            const std::string times = argv[++i];
            options.speed = -1;
            for (int s = 0; s <= kFastest; ++s)
                if (times == kSpeeds[s].times)
                    options.speed = s;
            if (options.speed < 0)
                return false;
        }
        else if (arg == "--pause-at" && i + 1 < argc)
        {
            char* end = nullptr;
            options.pauseAt = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || options.pauseAt < 0)
                return false;
        }
        else if (options.path == nullptr && (arg[0] != '-' || arg == "-"))
            options.path = argv[i];
        else
            return false;
    }
    return options.path != nullptr;
}

/// One tick of the replay: the player's commands, then at most one step.
class CPlayStep : public IFrameStep
{
public:
    CPlayStep(const std::vector<ScriptLine>& script, const Options& options)
        : m_replay(script), m_options(options), m_speed(options.speed)
    {
        SetSpeed(m_speed);
    }

    void Run() override
    {
        TakeCommands();
        if (m_paused && m_forward == 0)
            return;
        if (m_forward > 0)
            --m_forward;
        const int owed = g_ticks.load();
        if (m_replay.Forward())
        {
            m_mostOwed = owed > m_mostOwed ? owed : m_mostOwed;
            ++m_steps;
            m_playedSeconds = SecondsSince(m_start) - m_pausedSeconds;
            if (m_replay.Step() == m_options.pauseAt)
                Pause(true);
        }
        else if (m_replay.Divergence().empty() && m_options.exitAtEnd)
            g_quitRequested.store(true); // the last step's picture was shown for a tick
        if (!m_replay.Divergence().empty() && !m_told)
        {
            // The picture of the step where the replay parted stays in the window.
            std::fprintf(stderr, "%s: %s\n", kName, m_replay.Divergence().c_str());
            m_told = true;
            if (m_options.exitAtEnd)
                g_quitRequested.store(true);
        }
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

    bool Diverged() const { return !m_replay.Divergence().empty(); }

private:
    void Pause(bool paused)
    {
        if (paused == m_paused)
            return;
        m_paused = paused;
        if (m_paused)
            m_pausedAt = std::chrono::steady_clock::now();
        else
            m_pausedSeconds += SecondsSince(m_pausedAt);
    }

    /// The library's timer at the speed's rate: the ticks, and so the steps, come faster or
    /// slower; each is still one exact step.
    void SetSpeed(int speed)
    {
        m_speed = speed < 0 ? 0 : speed > kFastest ? kFastest : speed;
        install_int_ex(TickHandler, BPS_TO_TIMER(kSpeeds[m_speed].stepsPerSecond));
    }

    /// The commands waiting in the keyboard buffer; every other key is dropped from it.
    void TakeCommands()
    {
        while (keypressed())
        {
            const int pressed = readkey();
            const int scancode = pressed >> 8;
            const int ascii = pressed & 0xff;
            if (scancode == KEY_P)
                Pause(!m_paused);
            else if (scancode == KEY_N && m_paused)
                ++m_forward;
            else if (scancode == KEY_B && m_paused)
                m_replay.Back();
            else if (scancode == KEY_HOME)
                m_replay.Restart();
            else if (ascii == '+' || ascii == '=' || scancode == KEY_PLUS_PAD)
                SetSpeed(m_speed + 1);
            else if (ascii == '-' || scancode == KEY_MINUS_PAD)
                SetSpeed(m_speed - 1);
        }
    }

    CReplay m_replay;
    Options m_options;
    int m_speed;
    bool m_paused = false;
    bool m_told = false; ///< the divergence was reported
    int m_forward = 0; ///< single steps asked for while paused
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
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0)
    {
        std::printf("%s%s", kUsage, kKeys);
        return 0;
    }
    Options options;
    if (!ReadOptions(argc, argv, options))
    {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }

    std::vector<ScriptLine> script;
    std::string error;
    const int status = ReadKeyScript(options.path, script, error);
    if (status != 0)
    {
        std::fprintf(stderr, "%s: %s\n", kName, error.c_str());
        return status;
    }

    if (!StartGame(kName))
        return 1;
    CPlayStep step(script, options);
    g_ticks.store(0); // the clock starts with the first tick of play, not of start-up
    RunFrameLoop(step);
    StopGame();
    std::fprintf(stderr, "%s\n", step.Summary().c_str());
    return step.Diverged() ? kStatusDiverged : 0;
}
