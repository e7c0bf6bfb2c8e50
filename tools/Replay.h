#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "app/GameStep.h"
#include "tools/CarFields.h"
#include "tools/KeyScript.h"

/// The one replay of a key script, which car_trace drives headless and car_play in the
/// window: step by step through the game's frame step, each step holding the script's
/// keys (the real keyboard's never reach the car), its set lines applied, every state hash
/// it gives checked. A whole script also plays back: a step back restores the latest
/// snapshot kept before it (one a second of drive), re-runs the steps from there unseen
/// and shows the step before, so it shows the very picture that step showed going forward.
class CReplay
{
public:
    static constexpr long kSnapshotEvery = 60; ///< steps: one a second of drive

    /// A whole script, forward and back; `script` must outlive the replay. Each step is
    /// shown with `options`. The game must be started, its car new.
    CReplay(const std::vector<ScriptLine>& script, const FrameStepOptions& options);

    /// A script read line by line as the steps need them, forward only; `reader` must
    /// outlive the replay.
    CReplay(CKeyScriptReader& reader, const FrameStepOptions& options);

    /// The next step of the script, run and shown. False at the end of the script (or at a
    /// line the reader refuses), or past the step where the replay parted from the
    /// recording: nothing is done then.
    bool Forward();

    /// The step before the current one, shown again. False at the start, or for a script
    /// read line by line.
    bool Back();

    /// Back to the new car before the first step; the screen black, as before it.
    void Restart();

    /// Steps played from the start to the picture shown (0 before the first).
    long Step() const { return m_step; }

    /// Empty, or the message of the first state hash that differed from the script's.
    const std::string& Divergence() const { return m_divergence; }

private:
    struct Keyframe
    {
        CarState car;
        size_t next; ///< the script line the step after it starts from
    };

    /// The next line, from the script or the reader; false when there is none.
    bool NextLine(const ScriptLine*& line);
    bool RunStep(CGameStep& step);

    const std::vector<ScriptLine>* m_script = nullptr;
    CKeyScriptReader* m_reader = nullptr;
    ScriptLine m_read;  ///< the line last taken from the reader
    size_t m_next = 0;  ///< the script line the next step starts from
    long m_step = 0;
    std::vector<Keyframe> m_keyframes; ///< at steps 0, 60, 120, ... (whole scripts only)
    CGameStep m_shown;
    CGameStep m_unseen;
    std::string m_divergence;
    long m_divergedAt = 0;
};
