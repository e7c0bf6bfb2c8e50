#pragma once

/// One frame step as the loop runs it: advance the current scene and show the buffer.
/// The loop itself clears the buffer and pays the tick afterwards.
class IFrameStep
{
public:
    virtual ~IFrameStep() = default;
    virtual void Run() = 0;
};

/// The game's frame step: the current scene's Update, then the whole buffer to `screen`.
class CGameStep : public IFrameStep
{
public:
    void Run() override;
};

/// Copies the whole back buffer to `screen` between acquire_screen and release_screen.
void ShowBuffer();

/// True once Escape is held or the close button was clicked: the loop ends.
bool QuitRequested();

/// One pass of the fixed-step loop: while ticks are owed and no quit is requested, one
/// frame step each (`step`, clear to black, one tick paid). Returns at once when no tick
/// is owed; a quit drops the ticks still owed.
void RunOwedSteps(IFrameStep& step);
void RunOwedSteps();

/// The frame loop: polls without pause until a quit is requested, working off each owed
/// tick with `step` (the game's own when none is given).
void RunFrameLoop(IFrameStep& step);
void RunFrameLoop();
