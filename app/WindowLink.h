#pragma once

// What the graphics library's X11 driver does on its background thread every 10 ms, done
// by the frame step at the moment it needs it: the input that has reached the window is
// handed to the library's input handler before the step reads `key`, and the picture the
// step blitted is sent to the X server before the step ends. Without them a key waits up
// to 10 ms for the next pass and its picture up to 10 ms more. Both use the X11 driver's
// exported internals (_xwin, XLOCK, _xwin_handle_input in xalleg.h): a later library
// could change them. Both do nothing without an X display (headless, Windows, browser).

/// Hands every input event that has reached the window to the library's input handler
/// now, under the library's X lock (recursive: the still keyboard already holds it). Asks
/// the server nothing, and costs no round trip, unless an event is waiting. Must not be
/// called from inside the library's background manager, whose lock it would take second.
void TakeWaitingInput();

/// Sends the requests queued for the X server (the picture just blitted) now, under the
/// library's X lock. Flushes only: no round trip, no wait for the server.
void SendDrawing();
