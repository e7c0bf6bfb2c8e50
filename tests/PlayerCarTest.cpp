// The player's car as built by the game scene: its start state, its polygon, and its
// release through the actor interface.

#include "actors/PlayerCar.h"
#include "engine/GameScene.h"
#include "tests/TestSupport.h"

namespace
{

using PlayerCar = EngineTest;

} // namespace

TEST_F(PlayerCar, SceneCreatesOneCarStandingAt100x100AtRest)
{
    CPlayerCar& car = StartGameScene();
    ASSERT_EQ(g_engine->m_actors->size(), 1u);
    EXPECT_EQ(car.m_actorIndex, 0);
    EXPECT_EQ(car.m_shapeIndex, 0);
    EXPECT_EQ((*g_engine->m_collisions)[0], static_cast<ICollision*>(&car));
    EXPECT_EQ(car.m_position.x, 100.0f);
    EXPECT_EQ(car.m_position.y, 100.0f);
    EXPECT_EQ(car.m_angle, 0.0f);
    EXPECT_EQ(car.m_direction, 0.0f);
    EXPECT_EQ(car.m_angleGap, 0.0f);
    EXPECT_EQ(car.m_speed, 0.0f);
    EXPECT_EQ(car.m_leftTurn, 0);
    EXPECT_EQ(car.m_rightTurn, 0);
    EXPECT_EQ(car.m_vertexCount, 4u);
    EXPECT_EQ(car.m_pivot.x, 0.0f);
    EXPECT_EQ(car.m_pivot.y, 0.0f);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(car.m_transform[i], Matrix4()[i]);
}

TEST_F(PlayerCar, PolygonIsThePlacedClockwiseRectangle)
{
    CPlayerCar& car = StartGameScene();
    const float world[4][2] = {{50, 77}, {150, 77}, {150, 123}, {50, 123}};
    const float edges[4][3] = {{0, 100, -7700}, {-46, 0, 6900}, {0, -100, 12300}, {46, 0, -2300}};
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(car.m_worldVertices[i].x, world[i][0]);
        EXPECT_EQ(car.m_worldVertices[i].y, world[i][1]);
        EXPECT_EQ(car.m_edgeA[i], edges[i][0]);
        EXPECT_EQ(car.m_edgeB[i], edges[i][1]);
        EXPECT_EQ(car.m_edgeC[i], edges[i][2]);
    }
}

TEST_F(PlayerCar, DeletingThroughTheActorInterfaceFreesEverything)
{
    delete static_cast<IActor*>(new CPlayerCar()); // the collision list's own block now exists
    const int64_t before = LiveAllocations();
    IActor* actor = new CPlayerCar();
    const int64_t whileAlive = LiveAllocations();
    // The car itself and its five vertex and edge lists, at least.
    EXPECT_GE(whileAlive - before, 6);
    delete actor;
    // The collision list keeps its (now null) slot; everything of the car is gone.
    EXPECT_EQ(LiveAllocations(), before);
    EXPECT_EQ(g_engine->m_collisions->back(), nullptr);
}
