#pragma once

#include "app/IFrameStep.h"

/// True once Escape is held or a quit was requested (g_quitRequested): the loop ends.
bool QuitRequested();

/// One pass of the fixed-step loop: while ticks are owed and no quit is requested, one
/// `step` each and one tick paid. Returns at once when no tick is owed; a quit drops the
/// ticks still owed.
void RunOwedSteps(IFrameStep& step);

/// The same with the game's own frame step.
void RunOwedSteps();

/// The frame loop: polls without pause until a quit is requested, working off each owed
/// tick with `step`.
void RunFrameLoop(IFrameStep& step);

/// The same with the game's own frame step.
void RunFrameLoop();

/// The 60 Hz timer callback, run on the library's timer thread: one more step owed.
void TickHandler();

/// The close-button callback, run on the library's input thread: asks the loop to end.
void CloseButtonHandler();

/// The SIGINT and SIGTERM handler: asks the loop to end (a lock-free store, signal-safe).
void QuitSignalHandler(int signal);
