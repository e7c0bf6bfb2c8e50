// The collision polygon: registration, world placement with two roundings, edge lines
// with the closing edge, truncating pixel conversion. (The car's own: PlayerCarTest; no
// allocation in a step: MemoryTest.)

#include "geometry/Collision.h"
#include "geometry/Pixel.h"
#include "tests/TestSupport.h"

namespace
{

class Shape final : public ICollision
{
public:
    void OnCollision(int32_t) override {}
};

/// A 10 x 4 rectangle at (20, 30), clockwise on screen.
class Box final : public ICollision
{
public:
    Box()
    {
        m_position = Vector4(20, 30);
        AddVertex(Vector4(0, 0));
        AddVertex(Vector4(10, 0));
        AddVertex(Vector4(10, 4));
        AddVertex(Vector4(0, 4));
    }
    void OnCollision(int32_t) override {}
};

/// Draws the outline in `colour` and checks that exactly `count` pixels of it, and nothing
/// else, are set in the black buffer.
void ExpectOutlinePixels(const ICollision& s, int colour, int count)
{
    s.DrawOutline(colour);
    const PixelCount drawn = CountPixels(g_buffer, colour);
    EXPECT_EQ(drawn.count, count);
    EXPECT_EQ(drawn.others, 0) << "pixels of another colour";
}

using Collision = EngineTest;

} // namespace

TEST_F(Collision, ShapesRegisterInOrderAndClearTheirSlotWhenDestroyed)
{
    auto* a = new Shape();
    auto* b = new Shape();
    auto* c = new Shape();
    EXPECT_EQ(a->m_shapeIndex, 0);
    EXPECT_EQ(b->m_shapeIndex, 1);
    EXPECT_EQ(c->m_shapeIndex, 2);
    EXPECT_EQ((*g_engine->m_collisions)[1], b);
    EXPECT_EQ(b->m_vertexCount, 0u);
    EXPECT_EQ(b->m_angle, 0.0f);
    EXPECT_EQ(b->m_position.x, 0.0f);
    EXPECT_EQ(b->m_pivot.y, 0.0f);
    delete b;
    EXPECT_EQ((*g_engine->m_collisions)[1], nullptr);
    EXPECT_EQ((*g_engine->m_collisions)[0], a);
    delete a;
    delete c;
    EXPECT_EQ(g_engine->m_collisions->size(), 3u) << "the list only grows";
}

TEST_F(Collision, NewVerticesAreCopiedUnplacedWithZeroEdges)
{
    Box s;
    ASSERT_EQ(s.m_vertexCount, 4u);
    for (uint32_t i = 0; i < 4; ++i)
    {
        EXPECT_EQ(s.m_worldVertices[i].x, s.m_localVertices[i].x);
        EXPECT_EQ(s.m_worldVertices[i].y, s.m_localVertices[i].y);
        EXPECT_EQ(s.m_edgeA[i], 0.0f);
        EXPECT_EQ(s.m_edgeB[i], 0.0f);
        EXPECT_EQ(s.m_edgeC[i], 0.0f);
    }
}

TEST_F(Collision, TurnsAboutThePivotThenMoves)
{
    Shape s;
    s.m_pivot = Vector4(5, 0);
    s.AddVertex(Vector4(0, 0));
    s.AddVertex(Vector4(10, 0));
    s.AddVertex(Vector4(5, 0)); // the pivot itself
    s.m_transform = Rotate(Matrix4(), 180.0f);
    s.UpdateShape();
    EXPECT_FLOAT_BITS(FromBits(0x411ffffa), s.m_worldVertices[0].x); // 9.999994
    EXPECT_FLOAT_BITS(FromBits(0xbc027627), s.m_worldVertices[0].y); // -0.00796
    EXPECT_FLOAT_BITS(FromBits(0x36d00000), s.m_worldVertices[1].x); // 0.0000062
    EXPECT_FLOAT_BITS(FromBits(0x3c027627), s.m_worldVertices[1].y);
    EXPECT_EQ(s.m_worldVertices[2].x, 5.0f) << "a vertex at the pivot stays at pivot + position";
    EXPECT_EQ(s.m_worldVertices[2].y, 0.0f);
}

TEST_F(Collision, WorldVertexIsRotatedPlusPivotThenPlusPositionEachRounded)
{
    // 2^24 + 1 is a tie between two floats and rounds to 2^24; 2^24 + 2 is exact.
    const float big = 16777216.0f;
    Shape s;
    s.AddVertex(Vector4(0, 0));

    // r = 1, P = 2^24, T = 1: (r + P) rounds to 2^24 first. One rounding of the whole
    // sum would give 2^24 + 2.
    s.m_localVertices[0].x = big + 2.0f;
    s.m_pivot = Vector4(big, 0.0f);
    s.m_transform[0] = 0.5f;
    s.m_position = Vector4(1.0f, 0.0f);
    s.UpdateShape();
    EXPECT_FLOAT_BITS(big, s.m_worldVertices[0].x);

    // r = 2^24, P = 1, T = 1: adding P + T first would give 2^24 + 2.
    s.m_localVertices[0].x = 2.0f;
    s.m_pivot = Vector4(1.0f, 0.0f);
    s.m_transform[0] = big;
    s.UpdateShape();
    EXPECT_FLOAT_BITS(big, s.m_worldVertices[0].x);
}

TEST_F(Collision, SmallShapesDrawNothingAndOneVertexHasAZeroEdge)
{
    Shape none;
    none.UpdateShape();
    none.DrawOutline(makecol(255, 0, 0));
    Shape one;
    one.AddVertex(Vector4(3, 4));
    one.m_position = Vector4(1, 2);
    one.UpdateShape();
    EXPECT_EQ(one.m_worldVertices[0].x, 4.0f);
    EXPECT_EQ(one.m_worldVertices[0].y, 6.0f);
    EXPECT_EQ(one.m_edgeA[0], 0.0f);
    EXPECT_EQ(one.m_edgeB[0], 0.0f);
    EXPECT_EQ(one.m_edgeC[0], 0.0f);
    ExpectOutlinePixels(one, makecol(255, 0, 0), 0);
}

TEST_F(Collision, TwoVerticesDrawOneSegmentAndOppositeEdges)
{
    Shape s;
    s.AddVertex(Vector4(10, 20));
    s.AddVertex(Vector4(30, 20));
    s.UpdateShape();
    EXPECT_EQ(s.m_edgeA[0], -s.m_edgeA[1]);
    EXPECT_EQ(s.m_edgeB[0], -s.m_edgeB[1]);
    EXPECT_EQ(s.m_edgeC[0], -s.m_edgeC[1]);
    ExpectOutlinePixels(s, makecol(0, 255, 0), 21);
}

TEST_F(Collision, OutlineDrawsEveryEdgeIncludingTheClosingOneAndNothingElse)
{
    Box s;
    s.UpdateShape();
    const int red = makecol(255, 0, 0);
    // An 11 x 5 pixel frame: 2 x 11 + 2 x 3.
    ExpectOutlinePixels(s, red, 2 * 11 + 2 * 3);
    for (int y = 30; y <= 34; ++y)
        EXPECT_EQ(getpixel(g_buffer, 20, y), red) << "the closing edge, vertex 3 back to vertex 0";
}

TEST_F(Collision, PixelsTruncateTowardZero)
{
    EXPECT_EQ(ToPixel(99.9), 99);
    EXPECT_EQ(ToPixel(-0.7), 0);
    EXPECT_EQ(ToPixel(-1.5), -1);
    EXPECT_EQ(ToPixel(1e30), INT_MAX);
    EXPECT_EQ(ToPixel(-1e30), INT_MIN);
    EXPECT_EQ(ToPixel(std::nan("")), 0);

    Shape s;
    s.AddVertex(Vector4(99.9f, -0.7f));
    s.AddVertex(Vector4(99.9f, 10.2f));
    s.UpdateShape();
    const int red = makecol(255, 0, 0);
    s.DrawOutline(red);
    EXPECT_EQ(getpixel(g_buffer, 99, 0), red);
    EXPECT_EQ(getpixel(g_buffer, 99, 10), red);
    EXPECT_NE(getpixel(g_buffer, 99, 11), red);
    EXPECT_NE(getpixel(g_buffer, 100, 0), red);
}
