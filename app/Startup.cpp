#include "app/Startup.h"

#include <allegro.h>

#include <signal.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/CarImage.h"
#include "app/FrameLoop.h"
#include "engine/Engine.h"
#include "engine/GameScene.h"
#include "shared/Globals.h"

namespace
{

/// Holds SIGINT and SIGTERM back for its lifetime, in this thread and in the threads it
/// starts meanwhile (they keep them held); a signal sent meanwhile arrives at its end.
/// Windows has no such signals to hold.
class CQuitSignalsHeld
{
public:
    CQuitSignalsHeld()
    {
#ifdef SIG_BLOCK
        sigset_t quit;
        sigemptyset(&quit);
        sigaddset(&quit, SIGINT);
        sigaddset(&quit, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &quit, &m_before);
#endif
    }

    ~CQuitSignalsHeld()
    {
#ifdef SIG_BLOCK
        pthread_sigmask(SIG_SETMASK, &m_before, nullptr);
#endif
    }

    CQuitSignalsHeld(const CQuitSignalsHeld&) = delete;
    CQuitSignalsHeld& operator=(const CQuitSignalsHeld&) = delete;

private:
#ifdef SIG_BLOCK
    sigset_t m_before;
#endif
};

bool s_libraryStarted = false;
bool s_keyboardInstalled = false;
bool s_timerInstalled = false;
bool s_memoryScreen = false;

/// Releases what exists, in teardown order; bitmaps strictly before the library goes.
void ReleaseAll()
{
    ReleaseEngine();
    if (s_timerInstalled)
    {
        remove_int(TickHandler);
        s_timerInstalled = false;
    }
    if (s_memoryScreen)
    {
        destroy_bitmap(screen);
        screen = nullptr;
        s_memoryScreen = false;
    }
    if (g_buffer != nullptr)
    {
        destroy_bitmap(g_buffer);
        g_buffer = nullptr;
    }
    if (g_carBitmap != nullptr)
    {
        destroy_bitmap(g_carBitmap);
        g_carBitmap = nullptr;
    }
    if (s_libraryStarted)
    {
        allegro_exit();
        s_libraryStarted = false;
        s_keyboardInstalled = false;
    }
}

bool Fail(const char* programName, const std::string& what)
{
    std::fprintf(stderr, "%s: %s\n", programName, what.c_str());
    ReleaseAll();
    return false;
}

std::string LibraryError(const char* fallback)
{
    return allegro_error[0] != '\0' ? std::string(allegro_error) : std::string(fallback);
}

/// The start-up steps after the library, shared by the game and the headless tools: the
/// black back buffer, the car image, and the game scene started through SetScene(0).
bool StartScene(const char* programName, std::string_view carImage)
{
    g_buffer = create_bitmap(kScreenWidth, kScreenHeight);
    if (g_buffer == nullptr)
        return Fail(programName, "cannot create the 840x640 back buffer");
    clear_to_color(g_buffer, makecol(0, 0, 0));

    std::string error;
    g_carBitmap = carImage.empty() ? LoadCarImage(kCarImagePath, error) : LoadBmp(carImage, error);
    if (g_carBitmap == nullptr)
        return Fail(programName, error);

    CSceneManager& scenes = *g_engine->m_sceneManager;
    std::unique_ptr<IScene> scene = std::make_unique<CGameScene>();
    Register(scenes.m_scenes, scene.get());
    static_cast<void>(scene.release()); // the scene list owns it now
    scenes.SetScene(0);
    return true;
}

/// The library in its window: keyboard, mouse, 32-bit 840 x 640 window, pointer, timer.
bool StartWindow(const char* programName)
{
    // The library's start-up installs its own handlers for SIGINT and SIGTERM, which crash
    // or skip the teardown; ours end the game as Escape does. Held back until ours are in
    // place, a Ctrl+C or a kill during the start-up reaches ours too.
    int started;
    {
        CQuitSignalsHeld held;
        started = allegro_init();
        if (started == 0)
        {
            std::signal(SIGINT, QuitSignalHandler);
            std::signal(SIGTERM, QuitSignalHandler);
        }
    }
    if (started != 0)
        return Fail(programName, "cannot start the graphics library: " +
                                     LibraryError("no display could be opened"));
    s_libraryStarted = true;
    // The library ignores the close button unless a callback is set; ours ends the loop.
    // Set as soon as the library has made the window, which it does before it is shown:
    // a close asked for during the rest of the start-up ends the game too.
    LOCK_VARIABLE(g_quitRequested);
    LOCK_FUNCTION(CloseButtonHandler);
    set_close_button_callback(CloseButtonHandler);
    if (install_keyboard() != 0)
        return Fail(programName, "cannot install the keyboard: " + LibraryError("unknown cause"));
    s_keyboardInstalled = true;
    if (install_mouse() < 0)
        return Fail(programName, "cannot install the mouse: " + LibraryError("no mouse found"));
    set_color_depth(kColourDepth);
    if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, kScreenWidth, kScreenHeight, 0, 0) != 0)
        return Fail(programName, "cannot open the 840x640 32-bit window: " +
                                     LibraryError("no display could be opened"));
    show_mouse(screen);
    if (install_timer() != 0)
        return Fail(programName, "cannot install the timer: " + LibraryError("unknown cause"));
    LOCK_VARIABLE(g_ticks);
    LOCK_FUNCTION(TickHandler);
    if (install_int_ex(TickHandler, BPS_TO_TIMER(kTicksPerSecond)) != 0)
        return Fail(programName, "cannot install the 60 Hz tick: " + LibraryError("unknown cause"));
    s_timerInstalled = true;
    return true;
}

/// The library without a display: the system driver "none", 32-bit colour, the screen
/// asked for. No keyboard, mouse, window or timer (the timer crashes under this driver).
bool StartHeadless(const char* programName, bool memoryScreen)
{
    if (install_allegro(SYSTEM_NONE, &errno, std::atexit) != 0)
        return Fail(programName, "cannot start the graphics library: " + LibraryError("unknown cause"));
    s_libraryStarted = true;
    set_color_depth(kColourDepth);
    if (memoryScreen)
    {
        screen = create_bitmap(kScreenWidth, kScreenHeight);
        if (screen == nullptr)
            return Fail(programName, "cannot create the 840x640 screen bitmap");
        s_memoryScreen = true;
        clear_to_color(screen, makecol(0, 0, 0));
    }
    return true;
}

} // namespace

bool StartGame(const char* programName, StartMode mode, std::string_view carImage)
{
    g_engine = new CEngine();
    const bool started = mode == StartMode::kWindow
                             ? StartWindow(programName)
                             : StartHeadless(programName, mode == StartMode::kHeadlessScreen);
    return started && StartScene(programName, carImage);
}

void StopGame()
{
    if (s_keyboardInstalled)
        clear_keybuf(); // the one library call between the loop and the release
    ReleaseAll();
}
