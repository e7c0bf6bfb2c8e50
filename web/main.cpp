// The game in a browser page (docs/web.md): the game's own start-up, frame step and
// teardown; each animation frame the library's timer counts the time passed, the steps
// owed run (at most five) and the canvas is painted once. A drive is kept as car_record
// keeps it; a key script or a link is watched with car_play's replay.

#include <allegro.h>
#include <emscripten.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "app/DrivingKeys.h"
#include "app/FrameLoop.h"
#include "app/GameStep.h"
#include "app/Startup.h"
#include "engine/GameScene.h"
#include "shared/Globals.h"
#include "tools/CarFields.h"
#include "tools/DriveLink.h"
#include "tools/KeyScript.h"
#include "tools/ReplayPlayer.h"

namespace
{

Drive s_drive;       // the drive on the screen: the one driven so far, or the one watched
std::string s_name;  // the name of the drive watched ("the link", a file's); empty: driven
std::string s_note;  // what the reader of the drive watched noted of it
long s_steps = 0;    // steps driven since the game started
bool s_running = false; // a game started, its frames called
bool s_ended = false;   // the game ended (Escape): the page offers another
std::unique_ptr<CReplayPlayer> s_player; // the replay of the drive watched, while the game runs
Drive s_read;                             // a key script being read, piece by piece
std::unique_ptr<CKeyScriptReader> s_reader;
std::string s_said; // what a call gives the page, kept until the next

// A step driven: the browser delivers input between frames, never during a step, so
// every step reads one still keyboard, as car_record's do.
CGameStep s_game;
CFrameStepOf s_driving([] {
    s_game.Run();
    ++s_steps;
    if (AddSteps(s_drive, s_game.KeysRead())) // an hour at most is kept: the rest is driven
        AddCheck(s_drive, StateHash(*CGameScene::PlayerCar()));
});

const char* Said(std::string text)
{
    s_said = std::move(text);
    return s_said.c_str();
}

/// Ends the game running, if one is; its drive stays on the screen, to save or share.
void EndGame()
{
    if (s_running)
    {
        emscripten_cancel_main_loop();
        s_player.reset();
        StopGame();
    }
    s_running = false;
    s_ended = true;
}

void Frame()
{
    rest(0);
    if (s_player)
        RunOwedSteps(*s_player);
    else
        RunOwedSteps(s_driving);
    emsc_paint();
    if (QuitRequested())
    {
        EndGame();
        EM_ASM({
            if (Module['onGameOver'])
                Module['onGameOver']();
        });
    }
}

/// Ends the game running and starts a new one: a drive when `name` is empty, else the
/// watch of `drive`, called `name`. "" once it runs, or why it cannot.
const char* Start(Drive drive, const std::string& name, const std::string& note)
{
    EndGame();
    s_drive = std::move(drive);
    s_name = name;
    s_note = note;
    s_steps = 0;
    if (!StartGame("racer"))
        return Said("the game could not start");
    s_ended = false;
    s_running = true;
    g_ticks.store(1); // the first step at the first frame; the last game's owed steps are gone
    if (!name.empty())
        s_player = std::make_unique<CReplayPlayer>(s_drive, FrameStepOptions{});
    emscripten_set_main_loop(Frame, 0, 0);
    return Said("");
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

/// Steps the game has run since it started: driven, or of the drive watched.
EMSCRIPTEN_KEEPALIVE long racer_steps()
{
    return s_player ? s_player->Step() : s_steps;
}

/// The drive on the screen as a key script (version 2), for the page to save.
EMSCRIPTEN_KEEPALIVE const char* racer_drive()
{
    return Said(KeyScriptText(s_drive, "racer in a browser"));
}

/// Starts a new drive, ending whatever ran; "" or why it could not start.
EMSCRIPTEN_KEEPALIVE const char* racer_drive_again()
{
    return Start(Drive{}, "", "");
}

/// Reads a key script piece by piece, `size` bytes at `data` each (from a file the page
/// was given): memory follows the drive, not the file. False once a line was bad.
EMSCRIPTEN_KEEPALIVE void racer_read_begin()
{
    s_read = Drive{};
    s_reader = std::make_unique<CKeyScriptReader>(s_read);
}
EMSCRIPTEN_KEEPALIVE bool racer_read(const char* data, size_t size)
{
    return s_reader && s_reader->Feed(data, size);
}

/// Watches the key script read since racer_read_begin, from the file `name`: "" once it
/// plays, or one line with the bad line's number and reason, as the tools say it.
EMSCRIPTEN_KEEPALIVE const char* racer_watch_read(const char* name)
{
    const bool good = s_reader && s_reader->End();
    const std::string error = s_reader ? s_reader->Error() : "nothing was read";
    s_reader.reset();
    if (!good)
        return Said(std::string(name) + ": " + error);
    return Start(std::move(s_read), name, "");
}

/// Watches the drive a link's fragment (without its '#') carries; "" or why it cannot.
EMSCRIPTEN_KEEPALIVE const char* racer_watch_link(const char* fragment)
{
    Drive drive;
    std::string said;
    if (!ReadDriveLink(fragment, drive, said))
        return Said(said);
    return Start(std::move(drive), "the link", said);
}

/// A replay's command by the name of its key ("P" "N" "B" "Home" "+" "-"); false when
/// nothing is watched, the game has ended, or the name is no command.
EMSCRIPTEN_KEEPALIVE bool racer_replay(const char* name)
{
    return s_player && s_player->CommandNamed(name);
}

/// The fragment of a link to the drive on the screen: the one watched, or the one driven.
EMSCRIPTEN_KEEPALIVE const char* racer_share()
{
    return Said(DriveLink(s_drive));
}

/// What the page shows of the game, as JSON: whether a drive is watched (its name, the
/// reader's note), the step shown, the steps in all, paused, the speed, at the end, the
/// message of a state hash that differed; whether the game ended, the car's state hash.
EMSCRIPTEN_KEEPALIVE const char* racer_state()
{
    auto quoted = [](const std::string& text) {
        std::string q = "\"";
        for (const char c : text)
        {
            char escaped[8] = {c, '\0'}; // a control character as JSON writes one, else itself
            if (static_cast<unsigned char>(c) < 0x20)
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
            q += c == '"' || c == '\\' ? std::string("\\") + c : std::string(escaped);
        }
        return q + "\"";
    };
    auto flag = [](bool on) { return on ? "true" : "false"; };
    std::string json = std::string("{\"watching\":") + flag(s_player != nullptr);
    if (s_player)
    {
        const CReplayPlayer& p = *s_player;
        json += ",\"name\":" + quoted(s_name) + ",\"note\":" + quoted(s_note) + ",\"step\":" + std::to_string(p.Step()) +
                ",\"steps\":" + std::to_string(s_drive.steps) + ",\"paused\":" + flag(p.Paused()) +
                ",\"speed\":" + quoted(p.SpeedName()) + ",\"atEnd\":" + flag(p.AtEnd()) +
                ",\"divergence\":" + quoted(p.Divergence());
    }
    json += std::string(",\"ended\":") + flag(s_ended);
    if (s_running)
        json += ",\"hash\":" + quoted(HashText(StateHash(*CGameScene::PlayerCar())));
    return Said(json + "}");
}
}

int main()
{
    if (*Start(Drive{}, "", "") != '\0')
        return 1;
    Frame(); // the first step now, not at the next animation frame
    return 0;
}
