#pragma once

/// One pass of the fixed-step loop: while ticks are owed and Escape is not held, one frame
/// step each (current scene's Update, whole buffer to `screen`, clear to black, one tick
/// paid). Returns at once when no tick is owed.
void RunOwedSteps();

/// The frame loop: polls without pause until Escape, working off each owed tick.
void RunFrameLoop();
