// The registry: append-then-index, null slots, walks that re-read the length, the scene
// switch and the release of everything exactly once. (Its allocations: MemoryTest.)

#include <vector>

#include "actors/PlayerCar.h"
#include "engine/GameScene.h"
#include "engine/IScene.h"
#include "tests/TestSupport.h"

namespace
{

int s_destroyed = 0; ///< CountedActor destructor calls

/// An actor that counts its steps and its destruction.
class CountedActor : public IActor
{
public:
    ~CountedActor() override { ++s_destroyed; }
    void Update() override { ++m_updates; }
    void Draw() override {}
    int m_updates = 0;
};

/// An actor whose first step appends another actor to the list being walked.
class SpawningActor : public CountedActor
{
public:
    void Update() override
    {
        CountedActor::Update();
        if (m_updates == 1)
        {
            m_child = new CountedActor();
            m_child->m_actorIndex = Register(*g_engine->m_actors, static_cast<IActor*>(m_child));
        }
    }
    CountedActor* m_child = nullptr;
};

/// A scene that records the order of the calls it receives.
class RecordingScene : public IScene
{
public:
    explicit RecordingScene(std::vector<char>& log) : m_log(log) {}
    void Init() override { m_log.push_back('I'); }
    void Update() override { m_log.push_back('U'); }
    void Destroy() override { m_log.push_back('D'); }
    std::vector<char>& m_log;
};

using Registry = EngineTest;

} // namespace

TEST_F(Registry, NewEngineHasThreeEmptyListsAndSceneZero)
{
    EXPECT_TRUE(g_engine->m_actors->empty());
    EXPECT_TRUE(g_engine->m_sceneManager->m_scenes.empty());
    EXPECT_EQ(g_engine->m_sceneManager->m_current, 0);
    EXPECT_TRUE(g_engine->m_collisions->empty());
}

TEST_F(Registry, GameSceneWalksSkipNullSlotsAndStepActorsAppendedDuringTheWalk)
{
    CGameScene scene;
    scene.Update(); // empty list: nothing to do
    std::vector<IActor*>& actors = *g_engine->m_actors;
    actors.push_back(nullptr);
    auto* spawner = new SpawningActor();
    spawner->m_actorIndex = Register(actors, static_cast<IActor*>(spawner));
    actors.push_back(nullptr);

    scene.Update();
    ASSERT_NE(spawner->m_child, nullptr);
    EXPECT_EQ(spawner->m_child->m_actorIndex, 3);
    EXPECT_EQ(spawner->m_updates, 1);
    EXPECT_EQ(spawner->m_child->m_updates, 1) << "an actor appended mid-walk is stepped in the same walk";

    s_destroyed = 0;
    scene.Destroy();
    EXPECT_EQ(s_destroyed, 2);
    ASSERT_EQ(actors.size(), 4u) << "Destroy keeps the list's length";
    for (IActor* a : actors)
        EXPECT_EQ(a, nullptr);
    scene.Destroy(); // only null slots now
    EXPECT_EQ(s_destroyed, 2);
}

TEST_F(Registry, SetSceneDestroysTheCurrentSceneThenInitsTheNewOne)
{
    std::vector<char> first, second;
    CSceneManager& manager = *g_engine->m_sceneManager;
    manager.m_scenes.push_back(new RecordingScene(first));
    manager.m_scenes.push_back(new RecordingScene(second));
    manager.SetScene(0);
    EXPECT_EQ(first, (std::vector<char>{'D', 'I'})) << "Destroy runs even on the first switch";
    manager.SetScene(1);
    EXPECT_EQ(first, (std::vector<char>{'D', 'I', 'D'}));
    EXPECT_EQ(second, (std::vector<char>{'I'}));
    EXPECT_EQ(manager.m_current, 1);
    EXPECT_EQ(manager.Current(), manager.m_scenes[1]);
}

TEST_F(Registry, SetSceneToTheCurrentGameSceneRestartsItAfterTheNullSlots)
{
    CSceneManager& manager = *g_engine->m_sceneManager;
    StartGameScene();
    std::vector<IActor*>& actors = *g_engine->m_actors;
    ASSERT_EQ(actors.size(), 1u);
    EXPECT_EQ(actors[0]->m_actorIndex, 0);
    EXPECT_EQ(g_engine->m_collisions->size(), 1u);

    manager.SetScene(0);
    ASSERT_EQ(actors.size(), 2u);
    EXPECT_EQ(actors[0], nullptr);
    ASSERT_NE(actors[1], nullptr);
    EXPECT_EQ(actors[1]->m_actorIndex, 1);
    // The scene hands out the new car, found by its type after the null slot.
    CPlayerCar* car = CGameScene::PlayerCar();
    ASSERT_NE(car, nullptr);
    EXPECT_EQ(static_cast<IActor*>(car), actors[1]);
    EXPECT_EQ(car->m_shapeIndex, 1);
    // The first car's shape cleared its own slot: nothing points at freed memory.
    EXPECT_EQ((*g_engine->m_collisions)[0], nullptr);
    EXPECT_EQ((*g_engine->m_collisions)[1], static_cast<ICollision*>(car));

    manager.Current()->Destroy();
    EXPECT_EQ(CGameScene::PlayerCar(), nullptr) << "no live car, none handed out";
}

TEST_F(Registry, ReleaseEngineDeletesEachLiveActorOnceAndEverythingElse)
{
    std::vector<IActor*>& actors = *g_engine->m_actors;
    actors.push_back(nullptr);
    actors.push_back(new CountedActor());
    actors.push_back(nullptr);
    actors.push_back(new CountedActor());
    actors.push_back(new CountedActor());
    std::vector<char> log;
    g_engine->m_sceneManager->m_scenes.push_back(new RecordingScene(log));
    g_engine->m_sceneManager->m_scenes.push_back(nullptr);

    s_destroyed = 0;
    ReleaseEngine();
    EXPECT_EQ(s_destroyed, 3);
    EXPECT_EQ(g_engine, nullptr);
    EXPECT_TRUE(log.empty()) << "the current scene's Destroy is not called at exit";
    ReleaseEngine(); // a second release finds nothing to free
    EXPECT_EQ(s_destroyed, 3);
}
