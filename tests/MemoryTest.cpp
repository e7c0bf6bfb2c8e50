// Memory over a whole run: the game scene started, stepped, restarted and released, with
// every allocation counted; and no allocation of ours in any per-step path.

#include "actors/PlayerCar.h"
#include "app/FrameLoop.h"
#include "engine/GameScene.h"
#include "tests/TestSupport.h"

namespace
{

class Memory : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ReleaseEngine(); // each test builds its own, counted from nothing
        m_baseline = LiveAllocations();
        g_engine = new CEngine();
        StartGameScene();
    }

    static int LiveActors()
    {
        int live = 0;
        for (IActor* a : *g_engine->m_actors)
            live += a != nullptr;
        return live;
    }

    int64_t m_baseline = 0;
};

} // namespace

TEST_F(Memory, RestartsAndReleaseFreeEveryCarListAndTheEngineExactlyOnce)
{
    CSceneManager& manager = *g_engine->m_sceneManager;
    HoldKeys("UR");
    for (int i = 0; i < 1000; ++i)
        manager.Current()->Update();
    for (int restart = 1; restart <= 100; ++restart)
    {
        manager.SetScene(0); // each old car deleted through the actor interface, whole
        ASSERT_EQ(LiveActors(), 1) << "each restart deletes the old car before adding one";
        manager.Current()->Update();
    }
    ReleaseEngine();
    EXPECT_EQ(LiveAllocations(), m_baseline) << "every car, list, scene and the engine freed";
}

TEST_F(Memory, StepsAllocateNothingOfOurs)
{
    CSceneManager& manager = *g_engine->m_sceneManager;
    const char* keys[] = {"UR", "UL", "URS", "D", "DL", "", "S"};
    const uint64_t before = AllocationCount();
    for (int i = 0; i < 1000; ++i)
    {
        HoldKeys(keys[(i / 50) % 7]);
        manager.Current()->Update();
    }
    EXPECT_EQ(AllocationCount(), before) << "car steps, with their shape's update and outline";

    // Whole frame steps: scene, blit to the screen, clear.
    g_ticks = 1000;
    RunOwedSteps();
    EXPECT_EQ(g_ticks.load(), 0);
    EXPECT_EQ(AllocationCount(), before) << "frame steps";
}
