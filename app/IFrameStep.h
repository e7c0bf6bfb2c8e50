#pragma once

#include <utility>

/// What the frame loop runs for each owed tick: one frame step, in the game's case as it
/// is; a tool wraps the game's step to choose its keys or keep what it read.
class IFrameStep
{
public:
    virtual ~IFrameStep() = default;

    /// The work of one owed tick. Runs on the main thread.
    virtual void Run() = 0;
};

/// A frame step made of a function, for a tool that adds to a step:
///   CFrameStepOf recording([&] { game.Run(); Keep(game.KeysRead()); });
template <class Function> class CFrameStepOf final : public IFrameStep
{
public:
    explicit CFrameStepOf(Function run) : m_run(std::move(run)) {}

    void Run() override { m_run(); }

private:
    Function m_run;
};
