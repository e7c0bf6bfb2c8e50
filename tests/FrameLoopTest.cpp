// The fixed-step loop: one frame step per owed tick, each drawn on black and shown whole.

#include <atomic>
#include <thread>
#include <vector>

#include "app/DrivingKeys.h"
#include "app/FrameLoop.h"
#include "app/GameStep.h"
#include "engine/IScene.h"
#include "tests/TestSupport.h"

namespace
{

/// A scene that draws a marker pixel for its step number into the back buffer, checks that
/// the buffer was black when it began, and presses Escape on a chosen step.
class ProbeScene : public IScene
{
public:
    void Init() override {}
    void Destroy() override {}
    void Update() override
    {
        ++m_steps;
        m_ticksSeen.push_back(g_ticks.load());
        m_startedOnBlack.push_back(IsBlack(g_buffer));
        putpixel(g_buffer, m_steps % kScreenWidth, 0, makecol(255, 255, 255));
        if (m_steps == m_escapeOnStep)
            key[KEY_ESC] = 1;
        if (m_steps == m_closeOnStep) // the library calls the close button from its own thread
            std::thread(CloseButtonHandler).join();
    }
    static bool IsBlack(BITMAP* b)
    {
        const uint32_t black = static_cast<uint32_t>(makecol(0, 0, 0));
        for (int y = 0; y < b->h; ++y)
        {
            const uint32_t* row = reinterpret_cast<const uint32_t*>(b->line[y]);
            for (int x = 0; x < b->w; ++x)
                if (row[x] != black)
                    return false;
        }
        return true;
    }
    int m_steps = 0;
    int m_escapeOnStep = -1;
    int m_closeOnStep = -1;
    std::vector<int> m_ticksSeen;
    std::vector<bool> m_startedOnBlack;
};

class FrameLoop : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        m_scene = new ProbeScene();
        g_engine->m_sceneManager->m_scenes.push_back(m_scene);
        clear_to_color(screen, makecol(0, 0, 255));
    }
    ProbeScene* m_scene = nullptr;
};

} // namespace

TEST_F(FrameLoop, BacklogIsWorkedOffAsBackToBackStepsEachShownWhole)
{
    g_ticks = 5;
    m_scene->m_escapeOnStep = 5;
    RunFrameLoop();
    EXPECT_EQ(m_scene->m_steps, 5);
    EXPECT_EQ(m_scene->m_ticksSeen, (std::vector<int>{5, 4, 3, 2, 1}));
    EXPECT_EQ(g_ticks.load(), 0);
    for (bool black : m_scene->m_startedOnBlack)
        EXPECT_TRUE(black) << "each step starts from a black buffer";
    // The screen shows the last step alone: its marker, none of the earlier ones, on black.
    EXPECT_EQ(getpixel(screen, 5, 0), makecol(255, 255, 255));
    for (int x = 1; x <= 4; ++x)
        EXPECT_EQ(getpixel(screen, x, 0), makecol(0, 0, 0));
    EXPECT_EQ(getpixel(screen, kScreenWidth - 1, kScreenHeight - 1), makecol(0, 0, 0))
        << "the whole 840x640 buffer is copied";
    EXPECT_TRUE(ProbeScene::IsBlack(g_buffer)) << "the buffer is cleared after it is shown";
}

TEST_F(FrameLoop, EscapeDropsOwedTicksAfterTheStepInProgress)
{
    g_ticks = 10;
    m_scene->m_escapeOnStep = 3;
    RunFrameLoop();
    EXPECT_EQ(m_scene->m_steps, 3);
    EXPECT_EQ(getpixel(screen, 3, 0), makecol(255, 255, 255)) << "the step in progress is shown";
    EXPECT_EQ(g_ticks.load(), 7) << "the remaining ticks are left unserved";
}

TEST_F(FrameLoop, EscapeHeldAtTheStartRunsNoStep)
{
    g_ticks = 4;
    key[KEY_ESC] = 1;
    RunFrameLoop();
    EXPECT_EQ(m_scene->m_steps, 0);
    EXPECT_EQ(g_ticks.load(), 4);
}

TEST_F(FrameLoop, CloseButtonEndsTheLoopAsEscapeDoes)
{
    // Clicked while ticks are owed: the step in progress completes and is shown, the rest dropped.
    g_ticks = 10;
    m_scene->m_closeOnStep = 3;
    RunFrameLoop();
    EXPECT_EQ(m_scene->m_steps, 3);
    EXPECT_EQ(getpixel(screen, 3, 0), makecol(255, 255, 255));
    EXPECT_EQ(g_ticks.load(), 7);

    // Clicked before any step: none runs.
    g_quitRequested = true;
    g_ticks = 4;
    RunFrameLoop();
    EXPECT_EQ(m_scene->m_steps, 3);
    EXPECT_EQ(g_ticks.load(), 4);
}

TEST_F(FrameLoop, NoTickOwedTouchesNothing)
{
    putpixel(g_buffer, 10, 10, makecol(0, 255, 0));
    RunOwedSteps();
    EXPECT_EQ(m_scene->m_steps, 0);
    EXPECT_EQ(getpixel(g_buffer, 10, 10), makecol(0, 255, 0)) << "not cleared";
    EXPECT_EQ(getpixel(screen, 10, 10), makecol(0, 0, 255)) << "not copied";
    EXPECT_EQ(g_ticks.load(), 0);
}

TEST_F(FrameLoop, TicksNeverGoBelowZero)
{
    g_ticks = 2;
    RunOwedSteps();
    EXPECT_EQ(m_scene->m_steps, 2);
    EXPECT_EQ(g_ticks.load(), 0);
    RunOwedSteps();
    EXPECT_EQ(g_ticks.load(), 0);
    for (int t : m_scene->m_ticksSeen)
        EXPECT_GT(t, 0) << "a step only begins while a tick is owed";
}

TEST_F(FrameLoop, TicksAddedByTheTimerThreadDuringStepsAreAllServed)
{
    // The timer thread adds while the loop subtracts; a plain volatile counter loses some.
    constexpr int kTicks = 3000;
    std::atomic<bool> done{false};
    std::thread timer([&] {
        for (int i = 0; i < kTicks; ++i)
            TickHandler();
        done = true;
    });
    while (!done.load() || g_ticks.load() > 0)
        RunOwedSteps();
    timer.join();
    EXPECT_EQ(m_scene->m_steps, kTicks) << "exactly one step per tick";
    EXPECT_EQ(g_ticks.load(), 0);
}

TEST_F(FrameLoop, GameStepHoldsTheKeysItIsGivenAndShowsOnlyWhenAsked)
{
    // The probe scene reads the keys as the car would; the step reports what was read.
    CGameStep hidden(FrameStepOptions{.show = false});
    key[KEY_LEFT] = 1;
    hidden.RunHolding(kKeyUp | kKeySpace);
    EXPECT_EQ(hidden.KeysRead(), kKeyUp | kKeySpace) << "held, and the real Left did not reach it";
    EXPECT_EQ(key[KEY_LEFT], 0);
    EXPECT_EQ(getpixel(screen, 1, 0), makecol(0, 0, 255)) << "not shown";
    EXPECT_TRUE(ProbeScene::IsBlack(g_buffer)) << "cleared all the same";

    CGameStep shown;
    HoldKeys("D"); // as the keyboard would
    shown.Run();
    EXPECT_EQ(shown.KeysRead(), kKeyDown) << "without keys to hold it reads the keyboard";
    EXPECT_EQ(getpixel(screen, 2, 0), makecol(255, 255, 255)) << "the second step's marker is shown";
    EXPECT_EQ(m_scene->m_steps, 2);
}
