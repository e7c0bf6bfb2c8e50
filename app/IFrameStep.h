#pragma once

/// What the frame loop runs for each owed tick: one frame step, in the game's case as it
/// is; a tool wraps the game's step to choose its keys or keep what it read.
class IFrameStep
{
public:
    virtual ~IFrameStep() = default;

    /// The work of one owed tick. Runs on the main thread.
    virtual void Run() = 0;
};
