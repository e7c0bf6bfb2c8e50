// The player's car as built by the game scene: its start state and its polygon, at rest and
// turned. (Its release through the actor interface: MemoryTest.)

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

TEST_F(PlayerCar, PolygonIsThePlacedClockwiseRectangleWithItsEdgeLines)
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
        EXPECT_EQ(car.m_edgeA[i] * 100.0 + car.m_edgeB[i] * 100.0 + car.m_edgeC[i], 2300.0)
            << "the centre lies on the inner side of every edge, the closing one too";
    }
}

TEST_F(PlayerCar, QuarterTurnPlacesTheRectangleToTheBit)
{
    CPlayerCar& car = StartGameScene();
    car.m_transform = Rotate(Matrix4(), 90.0f);
    car.UpdateShape();
    EXPECT_FLOAT_BITS(122.9601821899414f, car.m_worldVertices[0].x);
    EXPECT_FLOAT_BITS(49.9817008972168f, car.m_worldVertices[0].y);
    EXPECT_FLOAT_BITS(123.03981018066406f, car.m_worldVertices[1].x);
    EXPECT_FLOAT_BITS(149.98167419433594f, car.m_worldVertices[1].y);
    EXPECT_FLOAT_BITS(76.96018981933594f, car.m_worldVertices[3].x);
    // C as y_j x_i - y_i x_j: exact products, one double difference, one float rounding.
    const uint32_t edges[4][3] = {{0xc2c7fffc, 0x3da31400, 0x46401024}, {0xbd160000, 0xc237fffe, 0x45d7bd4b},
                                  {0x42c7fffc, 0xbda31400, 0xc5f06045}, {0x3d160800, 0x4237fffe, 0xc50ffa96}};
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_FLOAT_BITS(FromBits(edges[i][0]), car.m_edgeA[i]) << i;
        EXPECT_FLOAT_BITS(FromBits(edges[i][1]), car.m_edgeB[i]) << i;
        EXPECT_FLOAT_BITS(FromBits(edges[i][2]), car.m_edgeC[i]) << i;
    }
}
