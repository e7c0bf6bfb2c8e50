#include "tools/ReplayPlayer.h"

#include <allegro.h>

#include <cstdio>
#include <iterator>

#include "app/FrameLoop.h"
#include "shared/Globals.h"
#include "tools/ToolSupport.h"

namespace
{

/// A speed on offer: as --speed takes it, and in steps a second.
struct SpeedChoice
{
    const char* times;
    int stepsPerSecond;
};
/// A quarter of real time to four times, slowest first.
constexpr SpeedChoice kSpeeds[] = {{"0.25", 15}, {"0.5", 30}, {"1", 60}, {"2", 120}, {"4", 240}};
constexpr int kFastest = static_cast<int>(std::size(kSpeeds)) - 1;

/// A key of the replay: the command's name (as the page names it), and the scancode or the
/// character (0: none) that asks for it.
struct ReplayKey
{
    const char* name;
    int scancode;
    int ascii;
};
constexpr ReplayKey kReplayKeys[] = {{"P", KEY_P, 0},   {"N", KEY_N, 0},          {"B", KEY_B, 0},
                                     {"Home", KEY_HOME, 0}, {"+", 0, '+'},        {"+", 0, '='},
                                     {"+", KEY_PLUS_PAD, 0}, {"-", 0, '-'},       {"-", KEY_MINUS_PAD, 0}};

} // namespace

const char* const kReplayKeysHelp =
    "keys in the window:\n"
    "  P          pause, and play on\n"
    "  N          one step forward (paused)\n"
    "  B          one step back (paused)\n"
    "  Home       back to the start\n"
    "  + and -    twice and half as fast (a quarter to four times real time)\n"
    "  Escape     quit (so does the window's close button)\n";

int CReplayPlayer::SpeedNamed(const std::string& name)
{
    for (int s = 0; s <= kFastest; ++s)
        if (name == kSpeeds[s].times)
            return s;
    return -1;
}

CReplayPlayer::CReplayPlayer(const Drive& drive, const FrameStepOptions& options, int speed, long pauseAt)
    : m_replay(drive, options), m_pauseAt(pauseAt)
{
    static_assert(kSpeeds[kRealTime].stepsPerSecond == kTicksPerSecond);
    SetSpeed(speed);
}

const char* CReplayPlayer::SpeedName() const { return kSpeeds[m_speed].times; }

void CReplayPlayer::Run()
{
    TakeKeys();
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
        if (m_replay.Step() == m_pauseAt)
            Pause(true);
    }
    else
        m_atEnd = true; // the last picture, or the one where the replay parted, stays
}

bool CReplayPlayer::CommandNamed(const std::string& name)
{
    if (name == "P")
        Pause(!m_paused);
    else if (name == "N")
        m_forward += m_paused ? 1 : 0;
    else if (name == "B")
        m_atEnd = m_paused && m_replay.Back() ? false : m_atEnd;
    else if (name == "Home")
    {
        m_replay.Restart();
        m_atEnd = false;
    }
    else if (name == "+" || name == "-")
        SetSpeed(m_speed + (name == "+" ? 1 : -1));
    else
        return false;
    return true;
}

std::string CReplayPlayer::Pacing() const
{
    char line[160];
    const double rate = m_playedSeconds > 0 ? m_steps / m_playedSeconds : 0.0;
    std::snprintf(line, sizeof line, "%ld steps in %.2f s, %.2f steps/s, at most %d ticks owed", m_steps,
                  m_playedSeconds, rate, m_mostOwed);
    return line;
}

void CReplayPlayer::TakeKeys()
{
    while (keypressed())
    {
        const int pressed = readkey();
        for (const ReplayKey& k : kReplayKeys)
            if ((k.scancode != 0 && k.scancode == pressed >> 8) || (k.ascii != 0 && k.ascii == (pressed & 0xff)))
            {
                CommandNamed(k.name);
                break;
            }
    }
}

void CReplayPlayer::Pause(bool paused)
{
    if (paused == m_paused)
        return;
    m_paused = paused;
    if (m_paused)
        m_pausedAt = std::chrono::steady_clock::now();
    else
        m_pausedSeconds += SecondsSince(m_pausedAt);
}

void CReplayPlayer::SetSpeed(int speed)
{
    m_speed = speed < 0 ? 0 : speed > kFastest ? kFastest : speed;
    install_int_ex(TickHandler, BPS_TO_TIMER(kSpeeds[m_speed].stepsPerSecond));
}
