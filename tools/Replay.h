#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "app/IFrameStep.h"
#include "tools/CarFields.h"
#include "tools/Drive.h"

struct FrameStepOptions;

/// The one replay of a drive: step by step on one car, each step holding the drive's keys
/// (the keyboard's never reach the car), its settings applied, every state hash it gives
/// checked; where one differs, it stops. car_trace runs it headless, car_play and the page
/// in the window, a ghost on itself. To study a drive it pauses, plays a quarter to four
/// times real time and steps back: from the latest snapshot before the step (one a second
/// of drive) it re-runs the steps unseen and shows the very picture that step showed.
class CReplay : public IFrameStep
{
public:
    static constexpr long kSnapshotEvery = 60; ///< steps: one a second of drive
    static constexpr int kRealTime = 2;        ///< the speed of real time, "1"

    /// Runs one step of the replay's car with `keys` held (KeyBits), its picture shown or not.
    using StepRunner = std::function<void(uint8_t keys, bool shown)>;

    /// Replays `drive` (which must outlive it) on `car` from the state it has, with `run`.
    CReplay(const Drive& drive, CPlayerCar& car, StepRunner run);

    /// Replays `drive` on the running game's new car, each step the game's frame step.
    CReplay(const Drive& drive, const FrameStepOptions& options);

    /// The next step, run and shown. False at the end of the drive, or past the step where
    /// the replay parted from it: nothing is done then.
    bool Forward();

    /// The step before the current one, shown again. False at the start.
    bool Back();

    /// Back to the car as it was before the first step; the screen black, as before it.
    void Restart();

    /// Steps played from the start to the picture shown (0 before the first).
    long Step() const { return m_step; }

    /// Empty, or the message of the first state hash that differed from the drive's:
    /// "line 61, step 60: the script holds state hash ..., this build reached ...".
    const std::string& Divergence() const { return m_divergence; }

    /// The speed that --speed names "0.25" "0.5" "1" "2" or "4" (times real time), or -1.
    static int SpeedNamed(const std::string& name);

    /// Plays on at `speed` (SpeedNamed): the library's timer ticks faster or slower.
    void SetSpeed(int speed);

    /// Pauses once step `step` is shown.
    void PauseAt(long step) { m_pauseAt = step; }

    /// A tick of the frame loop: the replay's keys waiting in the keyboard buffer (car_play
    /// --help lists them), then one step unless paused. Every other key is dropped.
    void Run() override;

    /// The command of the key named `name`, from the keyboard or a button: "P" pause or play
    /// on, "N" and "B" a step forward or back (paused), "Home" back to the start, "+" and "-"
    /// twice and half as fast. False for a name of no command.
    bool CommandNamed(const std::string& name);

    /// Whether the last step, or the step where the replay parted, is shown.
    bool AtEnd() const { return m_atEnd; }
    bool Paused() const { return m_paused; }
    const char* SpeedName() const; ///< as --speed names it

    /// "600 steps in 10.00 s, 60.00 steps/s, at most 2 ticks owed": the steps Run played
    /// forward, the time they took with paused time left out, the most ticks owed at one.
    std::string Pacing() const;

private:
    /// The car's state before a step that is a multiple of kSnapshotEvery, and where the
    /// drive's settings and checks stand there.
    struct Snapshot
    {
        CarState car;
        size_t settings = 0, check = 0;
    };

    bool RunStep(bool shown);

    const Drive& m_drive;
    CPlayerCar& m_car;
    StepRunner m_run;
    long m_step = 0;
    size_t m_settings = 0, m_check = 0; ///< the drive's next settings and state hash
    std::vector<Snapshot> m_snapshots;  ///< before steps 0, 60, 120, ...
    std::string m_divergence;
    long m_divergedAt = 0;

    long m_pauseAt = -1;
    int m_speed = kRealTime;
    bool m_paused = false, m_atEnd = false;
    int m_forward = 0; ///< single steps asked for while paused
    long m_played = 0;
    int m_mostOwed = 0;
    using Clock = std::chrono::steady_clock;
    Clock::time_point m_start = Clock::now(), m_pausedAt;
    double m_pausedSeconds = 0.0, m_playedSeconds = 0.0;
};
