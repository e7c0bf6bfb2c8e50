#pragma once

#include "app/GameStep.h"
#include "app/IFrameStep.h"
#include "tools/IDriveSink.h"

/// The one recording step, car_record's and the page's: the game's frame step, and after it
/// the step's line of the drive (the keys it read and the car's state hash after it) handed
/// to a sink. The step must read one still keyboard, so that the keys written are the keys
/// the car read: a still keyboard in the window, the browser's between frames.
class CRecordingStep : public IFrameStep
{
public:
    /// `sink` must outlive the step.
    CRecordingStep(IDriveSink& sink, const FrameStepOptions& options) : m_sink(sink), m_step(options) {}

    void Run() override;

    /// Steps run so far.
    long Steps() const { return m_steps; }

private:
    IDriveSink& m_sink;
    CGameStep m_step;
    long m_steps = 0;
};
