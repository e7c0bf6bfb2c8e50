// The game in a browser page (docs/web.md): the game's own start-up, frame step and
// teardown; each animation frame the library's timer counts the time passed, the steps
// owed run (at most five) and the canvas is painted once. A drive is kept as a key script,
// as car_record keeps it; a key script or a link is watched with car_play's replay.

#include <allegro.h>
#include <emscripten.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/DrivingKeys.h"
#include "app/FrameLoop.h"
#include "app/GameStep.h"
#include "app/Startup.h"
#include "shared/Globals.h"
#include "tools/CarFields.h"
#include "tools/DriveLink.h"
#include "engine/GameScene.h"
#include "tools/KeyScript.h"
#include "tools/RecordingStep.h"
#include "tools/ReplayPlayer.h"

namespace
{

constexpr long kMostStepsKept = 216000; ///< an hour of drive; the rest is driven, not kept
constexpr int kRealTime = 2;            ///< the index of "1" in CReplayPlayer::Speeds()

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

/// A drive watched: its script and the replay that plays it, car_play's. Each step holds
/// the script's keys, so the keyboard, the pads and the gamepad do not reach the car.
struct Watch
{
    std::string name;
    std::vector<ScriptLine> script;
    std::string divergence;
    std::unique_ptr<CReplayPlayer> player;
};

std::unique_ptr<BrowserDrive> s_drive; // the drive being driven, or null
std::unique_ptr<Watch> s_watch;        // the drive being watched, or null
bool s_running = false;                // a game started, its frames called
bool s_ended = false;                  // the game ended (Escape): the page offers another
std::string s_said;                    // what a call gives the page, kept until the next

void Frame()
{
    rest(0);
    if (s_watch)
        RunOwedSteps(*s_watch->player);
    else
        RunOwedSteps(s_drive->step);
    emsc_paint();
    if (QuitRequested())
    {
        emscripten_cancel_main_loop();
        StopGame();
        s_running = false;
        s_ended = true;
        EM_ASM({
            if (Module['onGameOver'])
                Module['onGameOver']();
        });
    }
}

/// Ends the game running, if one is, and starts a new one: a drive, or the watch of `watch`.
bool Start(std::unique_ptr<Watch> watch)
{
    if (s_running)
    {
        emscripten_cancel_main_loop();
        StopGame();
        s_running = false;
    }
    s_drive.reset();
    s_watch.reset();
    s_ended = true;
    if (!StartGame("racer"))
        return false;
    s_ended = false;
    s_running = true;
    g_ticks.store(0); // the last game's steps, dropped at its end, are not this one's
    if (watch)
    {
        Watch* w = watch.get();
        w->player = std::make_unique<CReplayPlayer>(w->script, FrameStepOptions{}, kRealTime, -1,
                                                    [w](const std::string& message) { w->divergence = message; });
        s_watch = std::move(watch);
    }
    else
        s_drive = std::make_unique<BrowserDrive>();
    emscripten_set_main_loop(Frame, 0, 0);
    return true;
}

/// The lines of a key script given as text; false with the reader's error.
bool ReadScript(const std::string& text, std::vector<ScriptLine>& script, std::string& error)
{
    FILE* in = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
    if (in == nullptr)
        return (error = "cannot read the script"), false;
    CKeyScriptReader reader(in);
    ScriptLine line;
    script.clear();
    while (reader.Next(line))
        script.push_back(std::move(line));
    std::fclose(in);
    error = reader.Error();
    return error.empty();
}

/// Watches `script`; "" once it plays, or why it cannot.
const char* WatchScript(const std::string& name, std::vector<ScriptLine> script)
{
    auto watch = std::make_unique<Watch>();
    watch->name = name;
    watch->script = std::move(script);
    s_said = Start(std::move(watch)) ? "" : "the game could not start";
    return s_said.c_str();
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

/// Steps the game has run since it started.
EMSCRIPTEN_KEEPALIVE long racer_steps()
{
    return s_drive ? s_drive->step.Steps() : s_watch ? s_watch->player->Step() : 0;
}

/// The drive so far as a key script (version 2), for the page to save.
EMSCRIPTEN_KEEPALIVE const char* racer_drive()
{
    return s_drive ? s_drive->sink.Drive().c_str() : "";
}

/// Starts a new drive, ending whatever ran; false if the game could not start (the reason
/// went to the page's status line).
EMSCRIPTEN_KEEPALIVE bool racer_drive_again()
{
    return Start(nullptr);
}

/// Watches the key script `text` (from the file `name`): checked whole first; "" once it
/// plays, or one line with the bad line's number and reason, as the tools say it.
EMSCRIPTEN_KEEPALIVE const char* racer_watch(const char* name, const char* text)
{
    std::vector<ScriptLine> script;
    std::string error;
    if (!ReadScript(text, script, error))
        return (s_said = std::string(name) + ": " + error).c_str();
    return WatchScript(name, std::move(script));
}

/// Watches the drive a link's fragment (without its '#') carries; "" or why it cannot.
EMSCRIPTEN_KEEPALIVE const char* racer_watch_link(const char* fragment)
{
    std::vector<ScriptLine> script;
    std::string error;
    if (!ReadDriveLink(fragment, script, error))
        return (s_said = error).c_str();
    return WatchScript("the link", std::move(script));
}

/// A replay's command by the name of its key ("P" "N" "B" "Home" "+" "-"); false when
/// nothing is watched or the name is no command.
EMSCRIPTEN_KEEPALIVE bool racer_replay(const char* name)
{
    return s_watch && s_watch->player->CommandNamed(name);
}

/// The fragment of a link to the drive on the screen: the one watched, or the one driven.
EMSCRIPTEN_KEEPALIVE const char* racer_share()
{
    std::vector<ScriptLine> script;
    std::string error;
    if (s_watch)
        script = s_watch->script;
    else if (s_drive && !ReadScript(s_drive->sink.Drive(), script, error))
        return (s_said = "").c_str();
    return (s_said = DriveLink(script)).c_str();
}

/// What the page shows of the game, as JSON: whether a drive is watched (and its name),
/// the step shown, the steps in all, paused, the speed, at the end, the state hash of the
/// car, and the message of a state hash that differed.
EMSCRIPTEN_KEEPALIVE const char* racer_state()
{
    auto quoted = [](const std::string& text) {
        std::string q = "\"";
        for (const char c : text)
            q += (c == '"' || c == '\\') ? std::string("\\") + c : std::string(1, c);
        return q + "\"";
    };
    const CPlayerCar* car = s_ended ? nullptr : CGameScene::PlayerCar();
    std::string json = std::string("{\"watching\":") + (s_watch ? "true" : "false");
    if (s_watch)
    {
        long steps = 0;
        for (const ScriptLine& line : s_watch->script)
            steps += line.isStep;
        const CReplayPlayer& p = *s_watch->player;
        json += ",\"name\":" + quoted(s_watch->name) + ",\"step\":" + std::to_string(p.Step()) +
                ",\"steps\":" + std::to_string(steps) + ",\"paused\":" + (p.Paused() ? "true" : "false") +
                ",\"speed\":" + quoted(CReplayPlayer::Speeds()[p.Speed()]) + ",\"atEnd\":" +
                (p.AtEnd() ? "true" : "false") + ",\"divergence\":" + quoted(s_watch->divergence);
    }
    json += ",\"ended\":" + std::string(s_ended ? "true" : "false");
    if (car != nullptr)
        json += ",\"hash\":" + quoted(HashText(StateHash(*car)));
    s_said = json + "}";
    return s_said.c_str();
}
}

int main()
{
    return Start(nullptr) ? 0 : 1;
}
