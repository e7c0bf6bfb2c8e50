#include "app/WindowLink.h"

#include <allegro.h>

#ifdef ALLEGRO_WITH_XWINDOWS
#include <xalleg.h>

void TakeWaitingInput()
{
    if (_xwin.display == nullptr)
        return;
    XLOCK();
    // QueuedAfterReading reads what the socket holds without waiting or writing; the
    // handler's own XSync (a round trip) runs only when there is something to handle.
    if (XEventsQueued(_xwin.display, QueuedAfterReading) > 0)
        _xwin_handle_input();
    XUNLOCK();
}

void SendDrawing()
{
    if (_xwin.display == nullptr)
        return;
    XLOCK();
    XFlush(_xwin.display);
    XUNLOCK();
}

#else

void TakeWaitingInput() {}
void SendDrawing() {}

#endif
