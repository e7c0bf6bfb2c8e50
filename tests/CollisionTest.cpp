// The collision polygon: registration, world placement with two roundings, edge lines
// with the closing edge, truncating pixel conversion, no allocation once built.

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

class CarRectangle final : public ICollision
{
public:
    CarRectangle()
    {
        m_position = Vector4(100, 100);
        AddVertex(Vector4(-50, -23));
        AddVertex(Vector4(50, -23));
        AddVertex(Vector4(50, 23));
        AddVertex(Vector4(-50, 23));
    }
    void OnCollision(int32_t) override {}
};

struct Edge
{
    uint32_t a, b, c;
};

void ExpectEdges(const ICollision& s, std::initializer_list<Edge> edges)
{
    ASSERT_EQ(s.m_edgeA.size(), edges.size());
    size_t i = 0;
    for (const Edge& e : edges)
    {
        SCOPED_TRACE(i);
        EXPECT_FLOAT_BITS(FromBits(e.a), s.m_edgeA[i]);
        EXPECT_FLOAT_BITS(FromBits(e.b), s.m_edgeB[i]);
        EXPECT_FLOAT_BITS(FromBits(e.c), s.m_edgeC[i]);
        ++i;
    }
}

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
    CarRectangle s;
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

TEST_F(Collision, CarRectangleAtRestHasItsEdgeLinesAndTheClosingEdge)
{
    CarRectangle s;
    s.UpdateShape();
    const float expected[4][2] = {{50, 77}, {150, 77}, {150, 123}, {50, 123}};
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(s.m_worldVertices[i].x, expected[i][0]);
        EXPECT_EQ(s.m_worldVertices[i].y, expected[i][1]);
    }
    const float edges[4][3] = {{0, 100, -7700}, {-46, 0, 6900}, {0, -100, 12300}, {46, 0, -2300}};
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(s.m_edgeA[i], edges[i][0]);
        EXPECT_EQ(s.m_edgeB[i], edges[i][1]);
        EXPECT_EQ(s.m_edgeC[i], edges[i][2]);
        EXPECT_EQ(s.m_edgeA[i] * 100.0 + s.m_edgeB[i] * 100.0 + s.m_edgeC[i], 2300.0)
            << "the centre lies on the inner side of every edge";
    }
}

TEST_F(Collision, QuarterTurnPlacesTheRectangleToTheBit)
{
    CarRectangle s;
    s.m_transform = Rotate(Matrix4(), 90.0f);
    s.UpdateShape();
    EXPECT_FLOAT_BITS(122.9601821899414f, s.m_worldVertices[0].x);
    EXPECT_FLOAT_BITS(49.9817008972168f, s.m_worldVertices[0].y);
    EXPECT_FLOAT_BITS(123.03981018066406f, s.m_worldVertices[1].x);
    EXPECT_FLOAT_BITS(149.98167419433594f, s.m_worldVertices[1].y);
    EXPECT_FLOAT_BITS(76.96018981933594f, s.m_worldVertices[3].x);
    // C as y_j x_i - y_i x_j: exact products, one double difference, one float rounding.
    ExpectEdges(s, {{0xc2c7fffc, 0x3da31400, 0x46401024},
                    {0xbd160000, 0xc237fffe, 0x45d7bd4b},
                    {0x42c7fffc, 0xbda31400, 0xc5f06045},
                    {0x3d160800, 0x4237fffe, 0xc50ffa96}});
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
    CarRectangle s;
    s.UpdateShape();
    const int red = makecol(255, 0, 0);
    // A 101 x 47 pixel frame: 2 x 101 + 2 x 45.
    ExpectOutlinePixels(s, red, 2 * 101 + 2 * 45);
    for (int x = 50; x <= 150; ++x)
    {
        EXPECT_EQ(getpixel(g_buffer, x, 77), red);
        EXPECT_EQ(getpixel(g_buffer, x, 123), red);
    }
    for (int y = 77; y <= 123; ++y)
    {
        EXPECT_EQ(getpixel(g_buffer, 150, y), red);
        EXPECT_EQ(getpixel(g_buffer, 50, y), red) << "the closing edge, vertex 3 back to vertex 0";
    }
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

TEST_F(Collision, UpdatingAndDrawingAllocateNothing)
{
    CarRectangle s;
    const uint64_t before = AllocationCount();
    for (int i = 0; i < 100; ++i)
    {
        s.m_transform = Rotate(s.m_transform, 7.0f);
        s.UpdateShape();
        s.DrawOutline(makecol(255, 0, 0));
    }
    EXPECT_EQ(AllocationCount(), before);
    EXPECT_EQ(s.m_worldVertices.size(), 4u);
    EXPECT_EQ(s.m_edgeC.size(), 4u);
}
