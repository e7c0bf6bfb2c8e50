#pragma once

#include <chrono>
#include <string>

#include "app/IFrameStep.h"
#include "tools/Replay.h"

/// A replay to study, one owed tick at a time: car_play's in the window, and the page's.
/// Paused or playing at a quarter to four times real time (the library's timer ticks
/// faster or slower; each step is still one exact step), a step at a time forward or back,
/// from the start again.
class CReplayPlayer : public IFrameStep
{
public:
    static constexpr int kRealTime = 2; ///< the speed of real time, "1"

    /// The speed that --speed names "0.25" "0.5" "1" "2" or "4" (times real time), or -1.
    static int SpeedNamed(const std::string& name);

    /// Plays `drive` (which must outlive the player) from the new car at speed `speed`;
    /// pauses once step `pauseAt` is shown (-1: never).
    CReplayPlayer(const Drive& drive, const FrameStepOptions& options, int speed = kRealTime, long pauseAt = -1);

    /// The commands waiting in the keyboard buffer (car_play's keys, ReplayKeysHelp), then
    /// at most one step; every other key is dropped from the buffer.
    void Run() override;

    /// Carries out the command of the key named `name`, from the keyboard or a button: "P"
    /// pause or play on, "N" and "B" a step forward or back (paused), "Home" back to the
    /// start, "+" and "-" twice and half as fast. False for a name of no command.
    bool CommandNamed(const std::string& name);

    /// Whether the last step of the script, or the step where the replay parted, is shown.
    bool AtEnd() const { return m_atEnd; }

    bool Paused() const { return m_paused; }
    long Step() const { return m_replay.Step(); }
    const std::string& Divergence() const { return m_replay.Divergence(); }
    /// The speed, as --speed names it.
    const char* SpeedName() const;

    /// "600 steps in 10.00 s, 60.00 steps/s, at most 2 ticks owed": the steps played
    /// forward, the time they took with paused time left out, the most ticks owed at a step.
    std::string Pacing() const;

private:
    void TakeKeys();
    void Pause(bool paused);
    void SetSpeed(int speed);

    CReplay m_replay;
    long m_pauseAt;
    int m_speed = 0;
    bool m_paused = false;
    bool m_atEnd = false;
    int m_forward = 0;   ///< single steps asked for while paused
    long m_steps = 0;
    int m_mostOwed = 0;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point m_pausedAt;
    double m_pausedSeconds = 0.0;
    double m_playedSeconds = 0.0;
};

/// The keys of a replay, as car_play --help lists them.
extern const char* const kReplayKeysHelp;
