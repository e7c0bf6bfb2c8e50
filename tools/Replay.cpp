#include "tools/Replay.h"

#include <allegro.h>

#include <cstdio>
#include <iterator>

#include "app/FrameLoop.h"
#include "app/GameStep.h"
#include "app/WindowLink.h"
#include "engine/GameScene.h"
#include "shared/Globals.h"
#include "tools/ToolSupport.h"

namespace
{

/// The speeds on offer, slowest first: as --speed takes them, and in steps a second.
constexpr struct
{
    const char* times;
    int stepsPerSecond;
} kSpeeds[] = {{"0.25", 15}, {"0.5", 30}, {"1", 60}, {"2", 120}, {"4", 240}};
constexpr int kFastest = static_cast<int>(std::size(kSpeeds)) - 1;
static_assert(kSpeeds[CReplay::kRealTime].stepsPerSecond == kTicksPerSecond);

/// The replay's keys: the command's name (as the page names it), and the scancode or the
/// character (0: none) that asks for it.
constexpr struct
{
    const char* name;
    int scancode;
    int ascii;
} kReplayKeys[] = {{"P", KEY_P, 0},   {"N", KEY_N, 0},          {"B", KEY_B, 0},
                                     {"Home", KEY_HOME, 0}, {"+", 0, '+'},        {"+", 0, '='},
                                     {"+", KEY_PLUS_PAD, 0}, {"-", 0, '-'},       {"-", KEY_MINUS_PAD, 0}};

FrameStepOptions Unseen(FrameStepOptions options)
{
    options.show = false;
    return options;
}

} // namespace

CReplay::CReplay(const Drive& drive, CPlayerCar& car, StepRunner run) : m_drive(drive), m_car(car), m_run(std::move(run))
{
    m_snapshots.push_back(Snapshot{TakeState(car), 0, 0});
}

CReplay::CReplay(const Drive& drive, const FrameStepOptions& options)
    : CReplay(drive, *CGameScene::PlayerCar(),
              [shown = CGameStep(options), unseen = CGameStep(Unseen(options))](uint8_t keys, bool show) mutable {
                  (show ? shown : unseen).RunHolding(keys);
              })
{
}

bool CReplay::RunStep(bool shown)
{
    if (m_step == m_drive.Steps())
        return false; // settings after the last step change no picture
    if (m_settings < m_drive.settings.size() && m_drive.settings[m_settings].after == m_step)
        for (const FieldSetting& s : m_drive.settings[m_settings++].fields)
            SetFieldBits(*s.field, m_car, s.bits);
    m_run(m_drive.keys[static_cast<size_t>(m_step)], shown);
    ++m_step;
    if (m_check < m_drive.checks.size() && m_drive.checks[m_check].step == m_step)
    {
        const StateCheck& check = m_drive.checks[m_check++];
        const uint64_t reached = StateHash(m_car);
        if (m_divergence.empty() && check.hash != reached)
        {
            m_divergence = "line " + std::to_string(check.line) + ", step " + std::to_string(m_step) +
                           ": the script holds state hash " + HashText(check.hash) + ", this build reached " +
                           HashText(reached);
            m_divergedAt = m_step;
        }
    }
    return true;
}

bool CReplay::Forward()
{
    if ((!m_divergence.empty() && m_step >= m_divergedAt) || !RunStep(true))
        return false;
    if (m_step % kSnapshotEvery == 0 && static_cast<size_t>(m_step / kSnapshotEvery) == m_snapshots.size())
        m_snapshots.push_back(Snapshot{TakeState(m_car), m_settings, m_check});
    return true;
}

bool CReplay::Back()
{
    if (m_step == 0)
        return false;
    const long target = m_step - 1;
    if (target == 0)
    {
        Restart();
        return true;
    }
    // From the latest snapshot before the target step, which is then run and shown.
    const size_t from = static_cast<size_t>((target - 1) / kSnapshotEvery);
    RestoreState(m_snapshots[from].car, m_car);
    m_settings = m_snapshots[from].settings;
    m_check = m_snapshots[from].check;
    for (m_step = static_cast<long>(from) * kSnapshotEvery; m_step < target - 1;)
        RunStep(false);
    RunStep(true);
    return true;
}

void CReplay::Restart()
{
    RestoreState(m_snapshots.front().car, m_car);
    m_step = 0;
    m_settings = m_check = 0;
    m_atEnd = false;
    acquire_screen();
    clear_to_color(screen, makecol(0, 0, 0));
    release_screen();
    SendDrawing();
}

int CReplay::SpeedNamed(const std::string& name)
{
    for (int s = 0; s <= kFastest; ++s)
        if (name == kSpeeds[s].times)
            return s;
    return -1;
}

void CReplay::SetSpeed(int speed)
{
    m_speed = speed < 0 ? 0 : speed > kFastest ? kFastest : speed;
    install_int_ex(TickHandler, BPS_TO_TIMER(kSpeeds[m_speed].stepsPerSecond));
}

const char* CReplay::SpeedName() const { return kSpeeds[m_speed].times; }

void CReplay::Run()
{
    while (keypressed())
    {
        const int pressed = readkey();
        for (const auto& k : kReplayKeys)
            if ((k.scancode != 0 && k.scancode == pressed >> 8) || (k.ascii != 0 && k.ascii == (pressed & 0xff)))
            {
                CommandNamed(k.name);
                break;
            }
    }
    if (m_paused && m_forward == 0)
        return;
    if (m_forward > 0)
        --m_forward;
    const int owed = g_ticks.load();
    if (!Forward())
    {
        m_atEnd = true; // the last picture, or the one where the replay parted, stays
        return;
    }
    m_mostOwed = owed > m_mostOwed ? owed : m_mostOwed;
    ++m_played;
    m_playedSeconds = SecondsSince(m_start) - m_pausedSeconds;
    if (m_step == m_pauseAt && !m_paused)
        CommandNamed("P");
}

bool CReplay::CommandNamed(const std::string& name)
{
    if (name == "P")
    {
        // Paused time is left out of the pacing.
        m_paused = !m_paused;
        if (m_paused)
            m_pausedAt = Clock::now();
        else
            m_pausedSeconds += SecondsSince(m_pausedAt);
    }
    else if (name == "N")
        m_forward += m_paused ? 1 : 0;
    else if (name == "B")
        m_atEnd = m_paused && Back() ? false : m_atEnd;
    else if (name == "Home")
        Restart();
    else if (name == "+" || name == "-")
        SetSpeed(m_speed + (name == "+" ? 1 : -1));
    else
        return false;
    return true;
}

std::string CReplay::Pacing() const
{
    char line[160];
    const double rate = m_playedSeconds > 0 ? m_played / m_playedSeconds : 0.0;
    std::snprintf(line, sizeof line, "%ld steps in %.2f s, %.2f steps/s, at most %d ticks owed", m_played,
                  m_playedSeconds, rate, m_mostOwed);
    return line;
}
