#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "actors/Car.h"
#include "app/GameStep.h"
#include "geometry/Matrix4.h"
#include "geometry/Vector4.h"
#include "tools/KeyScript.h"

class CPlayerCar;

/// The car's whole state: what its next step reads and what the trace shows. Plain data.
struct CarSnapshot
{
    ICar drive;
    Vector4 position;
    Matrix4 transform;
    float angle = 0.0f;
    std::vector<Vector4> worldVertices;
    std::vector<float> edgeA, edgeB, edgeC;
};

/// Copies the state of `car` out, or back into it.
CarSnapshot TakeSnapshot(const CPlayerCar& car);
void RestoreSnapshot(const CarSnapshot& snapshot, CPlayerCar& car);

/// A key script played in the window through the game's frame step, forward and back,
/// always exactly: a step back restores the latest snapshot kept before it (one a second
/// of drive), re-runs the steps from there unseen and shows the step before, so it shows
/// the very picture that step showed going forward. Every state hash the script gives is
/// checked; at the first that differs the replay goes no further forward.
class CReplay
{
public:
    static constexpr long kSnapshotEvery = 60; ///< steps: one a second of drive

    /// `script` must outlive the replay. The game must be started, its car new.
    explicit CReplay(const std::vector<ScriptLine>& script);

    /// The next step of the script, shown. False at the end, or where the replay parted
    /// from the recording: nothing is done then.
    bool Forward();

    /// The step before the current one, shown again. False at the start.
    bool Back();

    /// Back to the new car before the first step; the window black, as before it.
    void Restart();

    /// Steps played from the start to the picture shown (0 before the first).
    long Step() const { return m_step; }

    /// Empty, or the message of the first state hash that differed from the script's.
    const std::string& Divergence() const { return m_divergence; }

private:
    struct Keyframe
    {
        CarSnapshot car;
        size_t next; ///< the script line the step after it starts from
    };

    bool RunStep(CGameStep& step);

    const std::vector<ScriptLine>& m_script;
    size_t m_next = 0; ///< the script line the next step starts from
    long m_step = 0;
    std::vector<Keyframe> m_keyframes; ///< at steps 0, 60, 120, ...
    // Both hold the keyboard still: the script's keys are set under the screen lock, so
    // the real keyboard's never reach the car.
    CGameStep m_shown{FrameStepOptions{.show = true, .stillKeyboard = true}};
    CGameStep m_unseen{FrameStepOptions{.show = false, .stillKeyboard = true}};
    std::string m_divergence;
    long m_divergedAt = 0;
};
