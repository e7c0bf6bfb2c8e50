#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "app/GameStep.h"
#include "tools/CarFields.h"
#include "tools/Drive.h"

/// The one replay of a drive, which car_trace drives headless, and car_play and the page in
/// the window: step by step through the game's frame step, each step holding the drive's
/// keys (the real keyboard's never reach the car), its settings applied, every state hash
/// it gives checked. It also plays back: a step back restores the latest snapshot kept
/// before it (one a second of drive), re-runs the steps from there unseen and shows the
/// step before, so it shows the very picture that step showed going forward.
class CReplay
{
public:
    static constexpr long kSnapshotEvery = 60; ///< steps: one a second of drive

    /// Replays `drive`, which must outlive the replay; each step is shown with `options`.
    /// The game must be started, its car new.
    CReplay(const Drive& drive, const FrameStepOptions& options);

    /// The next step of the drive, run and shown. False at its end, or past the step where
    /// the replay parted from the recording: nothing is done then.
    bool Forward();

    /// The step before the current one, shown again. False at the start.
    bool Back();

    /// Back to the new car before the first step; the screen black, as before it.
    void Restart();

    /// Steps played from the start to the picture shown (0 before the first).
    long Step() const { return m_step; }

    /// Empty, or the message of the first state hash that differed from the drive's:
    /// "line 61, step 60: the script holds state hash ..., this build reached ...".
    const std::string& Divergence() const { return m_divergence; }

private:
    /// Where in the drive the next step starts.
    struct Cursor
    {
        size_t run = 0;
        long inRun = 0; ///< steps of that run already played
        size_t settings = 0;
        size_t check = 0;
    };
    struct Keyframe
    {
        CarState car;
        Cursor next;
    };

    bool RunStep(CGameStep& step);

    const Drive& m_drive;
    Cursor m_next;
    long m_step = 0;
    std::vector<Keyframe> m_keyframes; ///< at steps 0, 60, 120, ...
    CGameStep m_shown;
    CGameStep m_unseen;
    std::string m_divergence;
    long m_divergedAt = 0;
};
