// The game in a browser page (docs/web.md): the game's own start-up, frame step and
// teardown; each animation frame the library's timer counts the time passed, the steps
// owed run and the canvas is painted once. A drive is kept as car_record keeps it; a key
// script or a link is watched with car_play's replay, and raced as car_record races ghosts.

#include <allegro.h>
#include <emscripten.h>

#include <cstring>
#include <memory>
#include <string>

#include "app/DrivingKeys.h"
#include "app/FrameLoop.h"
#include "app/GameStep.h"
#include "app/Startup.h"
#include "engine/GameScene.h"
#include "shared/Globals.h"
#include "tools/DriveLink.h"
#include "tools/GhostCar.h"
#include "tools/KeyScript.h"

extern "C" const unsigned char racer_car_image[]; // web/CMakeLists.txt writes them
extern "C" const unsigned long racer_car_image_size;

namespace
{

std::shared_ptr<Drive> s_drive = std::make_shared<Drive>(); // on the screen: driven so far, or watched
std::string s_name;     // the name of the drive watched ("the link", a file's); empty: driven
std::string s_note;     // what the reader of the drive watched noted of it
bool s_running = false; // a game started, its frames called
bool s_ended = false;   // the game ended (Escape): the page offers another
bool s_raced = false;   // the drive on the screen is one of the ghosts
int s_mine = 0;         // drives of the player's made ghosts
Ghosts s_ghosts;        // the drives the next race races, the oldest first
std::unique_ptr<CReplay> s_replay; // the replay of the drive watched, while the game runs
std::string s_said;     // what a call gives the page, kept until the next

// A step driven: the browser delivers input between frames, never during a step, so
// every step reads one still keyboard, as car_record's do.
CGameStep s_game;
CFrameStepOf s_driving([] {
    s_game.Run();
    if (AddStep(*s_drive, s_game.KeysRead())) // an hour at most is kept: the rest is driven
        AddCheck(*s_drive, StateHash(*CGameScene::PlayerCar()));
});

const char* Said(std::string text)
{
    s_said = std::move(text);
    return s_said.c_str();
}

// The page's account of the game, Module.state: what it shows and the tests read.
EM_JS(void, ShowState, (bool watching, const char* name, const char* note, long step, long steps, bool paused,
                        const char* speed, bool atEnd, const char* divergence, bool ended, bool running,
                        const char* hash, bool racing, bool mine, double x, double y), {
    Module.state = { watching: !!watching, name: UTF8ToString(name), note: UTF8ToString(note), step, steps,
                     paused: !!paused, speed: UTF8ToString(speed), atEnd: !!atEnd, divergence: UTF8ToString(divergence),
                     ended: !!ended, hash: running ? UTF8ToString(hash) : null, racing: !!racing, mine: !!mine,
                     car: { x, y }, ghosts: [] };
});
EM_JS(void, ShowGhost, (const char* name, int r, int g, int b, bool racing, double x, double y,
                        const char* parted), {
    Module.state.ghosts.push({ name: UTF8ToString(name), colour: `rgb(${r},${g},${b})`,
                               car: racing ? { x, y } : null, parted: UTF8ToString(parted) });
});

/// Ends the game running, if one is; its drive stays on the screen, to save or share.
void EndGame()
{
    if (s_running)
    {
        emscripten_cancel_main_loop();
        s_replay.reset();
        StopGame();
    }
    s_running = false;
    s_ended = true;
}

void Frame()
{
    rest(0);
    if (s_replay)
        RunOwedSteps(*s_replay);
    else
        RunOwedSteps(s_driving);
    emsc_paint();
    if (QuitRequested())
    {
        EndGame();
        EM_ASM({ Module['onGameOver'](); });
    }
}

/// Ends the game running and starts a new one: a drive when `name` is empty, else the
/// watch of `drive`, called `name`; a race against the ghosts when `race`. "" once it
/// runs, or why it cannot.
const char* Start(Drive drive, const std::string& name, const std::string& note, bool race = false)
{
    EndGame();
    s_drive = std::make_shared<Drive>(std::move(drive));
    s_name = name;
    s_note = note;
    s_raced = !name.empty();
    // The page has no files: the car image is the one inside it.
    const std::string_view image(reinterpret_cast<const char*>(racer_car_image), racer_car_image_size);
    if (!StartGame("racer", StartMode::kWindow, image))
        return Said("the game could not start");
    if (race)
        StartRace(s_ghosts);
    s_ended = false;
    s_running = true;
    g_ticks.store(1); // the first step at the first frame; the last game's owed steps are gone
    if (!name.empty())
        s_replay = std::make_unique<CReplay>(*s_drive, FrameStepOptions{});
    emscripten_set_main_loop(Frame, 0, 0);
    return Said("");
}

/// Keeps the drive on the screen as a ghost called `name`; the oldest goes when there are
/// as many as a race takes.
void AddGhost(const std::string& name)
{
    if (s_ghosts.drives.size() == CGhostCar::kMostGhosts)
    {
        s_ghosts.drives.erase(s_ghosts.drives.begin());
        s_ghosts.names.erase(s_ghosts.names.begin());
    }
    s_ghosts.drives.push_back(s_drive);
    s_ghosts.names.push_back(name);
    s_raced = true;
}

/// Watches `drive`, read as `name` (unless `said` why not), and keeps it as a ghost to race.
const char* Open(bool read, Drive& drive, const std::string& name, const std::string& said)
{
    if (read && *Start(std::move(drive), name, said) == '\0')
        AddGhost(name);
    return Said(read ? "" : said);
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
    return s_replay ? s_replay->Step() : s_drive->Steps();
}

/// The drive on the screen as a key script (version 2), for the page to save.
EMSCRIPTEN_KEEPALIVE const char* racer_drive()
{
    return Said(KeyScriptText(*s_drive, "racer in a browser"));
}

/// Starts a new drive, ending whatever ran; "" or why it could not start.
EMSCRIPTEN_KEEPALIVE const char* racer_drive_again()
{
    return Start(Drive{}, "", "");
}

/// The most bytes of a file the page reads: a longer one is no key script.
EMSCRIPTEN_KEEPALIVE size_t racer_longest_script()
{
    return kLongestScript + 1;
}

/// Watches the key script or link of `size` bytes at `text`, a file called `name` the page
/// was given, and keeps it as a ghost: "" once it plays, or one line with why it cannot (a
/// bad line's number and reason, as the tools say it).
EMSCRIPTEN_KEEPALIVE const char* racer_open(const char* name, const char* text, size_t size)
{
    Drive drive;
    std::string said;
    const bool read = ReadDriveText(std::string_view(text, size), drive, said);
    return Open(read, drive, name, read || said.empty() ? said : std::string(name) + ": " + said);
}

/// Watches the drive of the link `address` (the page's own, or its fragment) and keeps it as
/// a ghost: "" or why it cannot.
EMSCRIPTEN_KEEPALIVE const char* racer_open_link(const char* address)
{
    Drive drive;
    std::string said;
    const bool read = ReadDriveLink(address, drive, said);
    return Open(read, drive, "the link", said);
}

/// Starts a race against the ghosts, ending whatever ran; with `mine`, the drive on the
/// screen, driven, becomes one of them first. "" or why it cannot start.
EMSCRIPTEN_KEEPALIVE const char* racer_race(bool mine)
{
    if (mine && !s_raced)
        AddGhost("your drive " + std::to_string(++s_mine));
    return Start(Drive{}, "", "", true);
}

/// No ghosts to race any more.
EMSCRIPTEN_KEEPALIVE void racer_forget_ghosts()
{
    s_ghosts = Ghosts{};
}

/// A replay's command by the name of its key ("P" "N" "B" "Home" "+" "-"); false when
/// nothing is watched, the game has ended, or the name is no command.
EMSCRIPTEN_KEEPALIVE bool racer_replay(const char* name)
{
    return s_replay && s_replay->CommandNamed(name);
}

/// The link to the drive on the screen from the page at `address` (without its fragment),
/// or, when it would be longer than the longest link, one line that says so.
EMSCRIPTEN_KEEPALIVE const char* racer_share(const char* address)
{
    const std::string link = std::string(address) + "#" + DriveLink(*s_drive);
    if (link.size() <= kLongestLink)
        return Said(link);
    return Said("This drive's link would be " + Counted(link.size()) + " characters, longer than " + LongestLink() +
                ": save it as a key script instead.");
}

/// Sets Module.state, the page's account of the game.
EMSCRIPTEN_KEEPALIVE void racer_state()
{
    const CPlayerCar* car = s_running ? CGameScene::PlayerCar() : nullptr;
    const CReplay* r = s_replay.get();
    const std::vector<CGhostCar*> racing = s_running ? CGhostCar::InRace() : std::vector<CGhostCar*>{};
    ShowState(r != nullptr, s_name.c_str(), s_note.c_str(), r ? r->Step() : 0, s_drive->Steps(), r && r->Paused(),
              r ? r->SpeedName() : "", r && r->AtEnd(), r ? r->Divergence().c_str() : "", s_ended, car != nullptr,
              car ? HashText(StateHash(*car)).c_str() : "", !racing.empty(), s_ended && !s_raced && s_drive->Steps() > 0,
              car ? car->m_position.x : 0, car ? car->m_position.y : 0);
    // The ghosts racing, or else those the next race races.
    for (size_t i = 0; i < (racing.empty() ? s_ghosts.names.size() : racing.size()); ++i)
    {
        const CGhostCar* ghost = racing.empty() ? nullptr : racing[i];
        const unsigned char* c = CGhostCar::ColourOf(static_cast<int>(i));
        ShowGhost((ghost ? ghost->Name() : s_ghosts.names[i]).c_str(), c[0], c[1], c[2], ghost != nullptr,
                  ghost ? ghost->m_position.x : 0, ghost ? ghost->m_position.y : 0,
                  ghost ? ghost->Parted().c_str() : "");
    }
}
}

int main()
{
    if (*Start(Drive{}, "", "") != '\0')
        return 1;
    Frame(); // the first step now, not at the next animation frame
    return 0;
}
