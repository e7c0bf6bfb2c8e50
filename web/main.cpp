// The game in a browser page. The game's own start-up, frame step, loop and teardown; only
// the entry differs: the page hands the browser each animation frame back, so there is no
// loop of our own. Each frame, rest(0) lets the library's timer count the time that has
// passed (web/allegro/emscripten.c), the game works off the steps it owes (at most five),
// and the canvas is painted once, with the last step's picture. Escape ends it as on the
// desktop, then the page says so and offers another drive. The drive is kept as a key
// script, as car_record keeps it, which the page offers to save.

#include <allegro.h>
#include <emscripten.h>

#include <cstring>
#include <string>

#include "app/DrivingKeys.h"
#include "app/FrameLoop.h"
#include "app/GameStep.h"
#include "app/Startup.h"
#include "engine/GameScene.h"
#include "shared/Globals.h"
#include "tools/KeyScript.h"
#include "tools/RecordingStep.h"

namespace
{

constexpr long kMostStepsKept = 216000; ///< an hour of drive; the rest is driven, not kept

/// The drive kept in the page's memory, as car_record keeps it in a file.
class CMemorySink : public IDriveSink
{
public:
    void Append(const std::string& line) override
    {
        if (++m_lines <= kMostStepsKept)
            m_drive += line + "\n";
    }

    const std::string& Drive() const { return m_drive; }

private:
    long m_lines = 0;
    std::string m_drive = ScriptHeader("racer in a browser");
};

/// A drive: its recording and the step that records it. The browser delivers input between
/// frames, never during a step, so every step reads one still keyboard, as car_record's do.
struct BrowserDrive
{
    CMemorySink sink;
    CRecordingStep step{sink, FrameStepOptions{}};
};

BrowserDrive* s_drive = nullptr; // lives as long as the page, a new one each drive
bool s_ended = false;           // the drive ended (Escape); the page may start another

void Frame()
{
    rest(0);
    RunOwedSteps(s_drive->step);
    emsc_paint();
    if (QuitRequested())
    {
        emscripten_cancel_main_loop();
        StopGame();
        s_ended = true;
        EM_ASM({
            if (Module['onGameOver'])
                Module['onGameOver']();
        });
    }
}

} // namespace

extern "C" {

/// Presses (down) or releases the game's key named `name`: a driving key's letter (U D L R S)
/// or "Escape", as the page's one input path holds it. False for another name.
EMSCRIPTEN_KEEPALIVE bool racer_key(const char* name, bool down)
{
    if (std::strcmp(name, "Escape") == 0)
        return emsc_key(KEY_ESC, 27, down);
    const DrivingKey* k = std::strlen(name) == 1 ? DrivingKeyOfLetter(name[0]) : nullptr;
    return k != nullptr && emsc_key(k->scancode, 0, down);
}

/// Steps the game has run since the page opened.
EMSCRIPTEN_KEEPALIVE long racer_steps()
{
    return s_drive != nullptr ? s_drive->step.Steps() : 0;
}

/// The drive so far as a key script (version 2), for the page to save.
EMSCRIPTEN_KEEPALIVE const char* racer_drive()
{
    return s_drive != nullptr ? s_drive->sink.Drive().c_str() : "";
}

/// Starts a new game, with a new drive, once the last one has ended; false if it could
/// not start (the reason went to the page's status line).
EMSCRIPTEN_KEEPALIVE bool racer_drive_again()
{
    if (!s_ended || !StartGame("racer"))
        return false;
    s_ended = false;
    g_ticks.store(0); // the last game's steps, dropped at its end, are not this one's
    delete s_drive;
    s_drive = new BrowserDrive();
    emscripten_set_main_loop(Frame, 0, 0);
    return true;
}
}

int main()
{
    if (!StartGame("racer"))
        return 1;
    s_drive = new BrowserDrive();
    emscripten_set_main_loop(Frame, 0, 0);
    return 0;
}
