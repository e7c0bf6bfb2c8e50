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
/// in the window, and a ghost car on itself. To study a drive it also pauses, plays a
/// quarter to four times real time, and steps back: from the latest snapshot kept before the
/// step (one a second of drive) it re-runs the steps unseen and shows that one, the very
/// picture it showed going forward.
class CReplay : public IFrameStep
{
public:
    static constexpr long kSnapshotEvery = 60; ///< steps: one a second of drive
    static constexpr int kRealTime = 2;        ///< the speed of real time, "1"

    /// Runs one step of the replay's car with `keys` held (KeyBits), its picture shown or not.
    using StepRunner = std::function<void(uint8_t keys, bool shown)>;

    /// Replays `drive` (which must outlive it) on `car`, from the state it has now, each step
    /// run by `run`.
    CReplay(const Drive& drive, CPlayerCar& car, StepRunner run);

    /// Replays `drive` on the running game's new car, each step the game's frame step with
    /// `options`.
    CReplay(const Drive& drive, const FrameStepOptions& options);

    /// The next step of the drive, run and shown. False at its end, or past the step where
    /// the replay parted from the drive: nothing is done then.
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

    /// Plays on at `speed` (SpeedNamed): the library's timer ticks faster or slower; each
    /// step is still one exact step.
    void SetSpeed(int speed);

    /// Pauses once step `step` is shown.
    void PauseAt(long step) { m_pauseAt = step; }

    /// The frame loop's work for a tick: the commands waiting in the keyboard buffer
    /// (car_play --help lists them), then one step unless paused; every other key is dropped.
    void Run() override;

    /// Carries out the command of the key named `name`, from the keyboard or a button: "P"
    /// pause or play on, "N" and "B" a step forward or back (paused), "Home" back to the
    /// start, "+" and "-" twice and half as fast. False for a name of no command.
    bool CommandNamed(const std::string& name);

    /// Whether the last step, or the step where the replay parted, is shown.
    bool AtEnd() const { return m_atEnd; }
    bool Paused() const { return m_paused; }
    /// The speed, as --speed names it.
    const char* SpeedName() const;

    /// "600 steps in 10.00 s, 60.00 steps/s, at most 2 ticks owed": the steps played
    /// forward by Run, the time they took with paused time left out, the most ticks owed.
    std::string Pacing() const;

private:
    /// The car's state before step `step` (a multiple of kSnapshotEvery), and where the
    /// drive's settings and checks stand there.
    struct Snapshot
    {
        CarState car;
        size_t settings = 0;
        size_t check = 0;
    };

    bool RunStep(bool shown);
    void Pause(bool paused);

    const Drive& m_drive;
    CPlayerCar& m_car;
    StepRunner m_run;
    long m_step = 0;
    size_t m_settings = 0; ///< the next settings of the drive
    size_t m_check = 0;    ///< the next state hash of the drive
    std::vector<Snapshot> m_snapshots; ///< before steps 0, 60, 120, ...
    std::string m_divergence;
    long m_divergedAt = 0;

    long m_pauseAt = -1;
    int m_speed = kRealTime;
    bool m_paused = false;
    bool m_atEnd = false;
    int m_forward = 0; ///< single steps asked for while paused
    long m_played = 0;
    int m_mostOwed = 0;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point m_pausedAt;
    double m_pausedSeconds = 0.0;
    double m_playedSeconds = 0.0;
};
