// The frame step in a real window, run under Xvfb by tests/window_test.sh: a key press that
// has reached the window is read by the very next step, and the picture of a step has left
// for the X server when the step ends. The test holds the library's X lock around each
// press and step, so the library's own 10 ms pass cannot do either in its place: what is
// seen is the step's own doing, whatever the machine's load.

// The C++ headers first: Xlib's macros (None, Bool, min, max) would break them.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <X11/Xlibint.h> // the connection's output buffer, to see what is still unsent
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#undef min
#undef max
#include <allegro.h>
#include <sys/socket.h>
#include <xalleg.h>

#include "app/DrivingKeys.h"
#include "app/GameStep.h"
#include "app/Startup.h"

namespace
{

using Clock = std::chrono::steady_clock;

Display* s_tester = nullptr; ///< the test's own connection: key presses and the focus

/// True once the game's X connection holds a KeyPress event in its socket, not yet read
/// by anyone (looked at with MSG_PEEK). Gives up after 5 s.
bool KeyPressWaitingInSocket()
{
    const int fd = ConnectionNumber(_xwin.display);
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < deadline)
    {
        unsigned char bytes[4096];
        const ssize_t n = recv(fd, bytes, sizeof bytes, MSG_PEEK | MSG_DONTWAIT);
        // Nothing owes the game a reply here, so the socket holds 32-byte events only.
        for (ssize_t i = 0; i + 32 <= n; i += 32)
            if ((bytes[i] & 0x7f) == KeyPress)
                return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

/// Bytes of requests the game's connection has queued but not yet sent to the server.
long UnsentBytes()
{
    return static_cast<long>(_xwin.display->bufptr - _xwin.display->buffer);
}

/// Waits up to 2 s for the library's own pass to see Up released.
bool UpReleased()
{
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(2);
    while (key[KEY_UP] != 0 && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return key[KEY_UP] == 0;
}

struct Mode
{
    const char* name;
    FrameStepOptions options;
};

} // namespace

TEST(WindowStep, ReadsTheKeyThatReachedTheWindowAndSendsItsPictureWithinTheStep)
{
    const Mode modes[] = {{"the game's step", FrameStepOptions{}},
                          {"the recorder's still keyboard", FrameStepOptions{.stillKeyboard = true}}};
    const KeyCode up = XKeysymToKeycode(s_tester, XK_Up);
    for (const Mode& mode : modes)
    {
        CGameStep step(mode.options);
        for (int press = 1; press <= 10; ++press)
        {
            XLOCK();
            _xwin_private_handle_input(); // everything from before the press handled
            ASSERT_EQ(key[KEY_UP], 0) << mode.name << ", press " << press;
            XTestFakeKeyEvent(s_tester, up, True, CurrentTime);
            XSync(s_tester, False);
            ASSERT_TRUE(KeyPressWaitingInSocket()) << "the press never reached the game's connection";

            step.Run();
            EXPECT_EQ(step.KeysRead() & kKeyUp, kKeyUp)
                << mode.name << ", press " << press << ": the step did not read the key waiting for it";
            EXPECT_EQ(UnsentBytes(), 0)
                << mode.name << ", press " << press << ": the step's picture was still queued when it ended";
            XUNLOCK();

            XTestFakeKeyEvent(s_tester, up, False, CurrentTime);
            XSync(s_tester, False);
            ASSERT_TRUE(UpReleased()) << "the library's own pass never saw the release";
        }
    }
}

int main(int argc, char* argv[])
{
    ::testing::InitGoogleTest(&argc, argv);
    if (!StartGame("racer_window_step_test"))
        return 1;
    s_tester = XOpenDisplay(nullptr);
    if (s_tester == nullptr)
    {
        StopGame();
        return 1;
    }
    // Keys reach a window only while it has the focus, and it can take the focus only
    // once it is shown.
    XWindowAttributes attributes{};
    for (int i = 0; i < 200; ++i)
    {
        XGetWindowAttributes(s_tester, _xwin.wm_window, &attributes);
        if (attributes.map_state == IsViewable)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    XSetInputFocus(s_tester, _xwin.wm_window, RevertToPointerRoot, CurrentTime);
    XSync(s_tester, False);
    const int status = RUN_ALL_TESTS();
    XCloseDisplay(s_tester);
    StopGame();
    return status;
}
END_OF_MAIN()
