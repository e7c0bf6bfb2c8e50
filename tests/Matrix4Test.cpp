// Vectors and matrices: row-vector convention, sums in double in the order k = 0..3,
// one rounding per element, and degrees through the float 3.14.

#include <cmath>

#include "geometry/Matrix4.h"
#include "tests/TestSupport.h"

namespace
{

Matrix4 Rows(std::initializer_list<float> row0, std::initializer_list<float> row1)
{
    Matrix4 m;
    int i = 0;
    for (float v : row0)
        m[i++] = v;
    i = 4;
    for (float v : row1)
        m[i++] = v;
    return m;
}

void ExpectIdentityBelowRowOne(const Matrix4& m)
{
    for (int i = 2; i < 16; ++i)
    {
        if (i != 4 && i != 5)
        {
            EXPECT_FLOAT_BITS((i == 10 || i == 15) ? 1.0f : 0.0f, m[i]) << "element " << i;
        }
    }
}

} // namespace

TEST(Vector4, AddAndSubtractTakeTheFirstOperandFirst)
{
    const Vector4 sum = Add(Vector4(1, 2), Vector4(10, 20));
    EXPECT_EQ(sum.x, 11.0f);
    EXPECT_EQ(sum.y, 22.0f);
    const Vector4 diff = Subtract(Vector4(1, 2), Vector4(10, 20));
    EXPECT_EQ(diff.x, -9.0f);
    EXPECT_EQ(diff.y, -18.0f);
}

TEST(Matrix4, NewMatrixIsTheIdentityAndIsANeutralFactor)
{
    const Matrix4 id;
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(id[i], (i % 5 == 0) ? 1.0f : 0.0f);
    Matrix4 b;
    for (int i = 0; i < 16; ++i)
        b[i] = 0.1f * static_cast<float>(i) - 0.7f;
    const Matrix4 left = Multiply(id, b), right = Multiply(b, id);
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_FLOAT_BITS(b[i], left[i]);
        EXPECT_FLOAT_BITS(b[i], right[i]);
    }
}

TEST(Matrix4, ProductDoesNotCommute)
{
    const Matrix4 a = Rotate(Matrix4(), 30.0f);
    const Matrix4 b = Rows({1, 2, 0, 0}, {3, 4, 0, 0});
    const Matrix4 ab = Multiply(a, b), ba = Multiply(b, a);
    EXPECT_FLOAT_BITS(FromBits(0x401763d6), ab[0]); // 2.36547
    EXPECT_FLOAT_BITS(FromBits(0x406ecf34), ab[1]); // 3.73140
    EXPECT_FLOAT_BITS(FromBits(0xbe089558), ba[0]); // -0.13338
    EXPECT_FLOAT_BITS(FromBits(0x400eda80), ba[1]); // 2.23209
}

TEST(Matrix4, ElementSumsInDoubleInTheOrderK0To3)
{
    // Summed in float, 1 + 2^-24 + 2^-24 stays 1; in double it reaches the next float up.
    const float tiny = std::ldexp(1.0f, -24);
    Matrix4 a = Rows({1.0f, tiny, tiny, 0.0f}, {0, 1, 0, 0});
    Matrix4 ones;
    ones[0] = ones[4] = ones[8] = 1.0f;
    EXPECT_FLOAT_BITS(std::nextafter(1.0f, 2.0f), Multiply(a, ones)[0]);

    // 2^-30 is lost against 2^30 when it is added first and kept when it is added last.
    const float big = std::ldexp(1.0f, 30), small = std::ldexp(1.0f, -30);
    a = Rows({small, big, -big, 0.0f}, {0, 1, 0, 0});
    EXPECT_FLOAT_BITS(0.0f, Multiply(a, ones)[0]);
}

TEST(Matrix4, TransformPointTreatsThePointAsARowOnTheLeft)
{
    const Vector4 same = TransformPoint(Matrix4(), Vector4(3, 4));
    EXPECT_EQ(same.x, 3.0f);
    EXPECT_EQ(same.y, 4.0f);
    const Vector4 p = TransformPoint(Rows({1, 2, 0, 0}, {3, 4, 0, 0}), Vector4(1, 10));
    EXPECT_EQ(p.x, 31.0f); // 1*1 + 10*3
    EXPECT_EQ(p.y, 42.0f); // 1*2 + 10*4
    const Vector4 turned = TransformPoint(Rotate(Matrix4(), 90.0f), Vector4(1, 0));
    EXPECT_FLOAT_BITS(FromBits(0x3a50bd10), turned.x); // 0.000796
    EXPECT_FLOAT_BITS(FromBits(0x3f7ffffb), turned.y); // 0.9999997
}

TEST(Rotate, UsesTheFloat314AndOneRoundingPerStage)
{
    struct Case
    {
        float degrees;
        uint32_t c, s;
    };
    // cos and sin of float(degrees * 3.14f / 180), each rounded to float. With pi, 90
    // would give a cosine of -4.4e-8, not 0.000796.
    const Case cases[] = {
        {90.0f, 0x3a50bd10, 0x3f7ffffb},  {180.0f, 0xbf7fffeb, 0x3ad0bd0b},
        {30.0f, 0x3f5dbc89, 0x3effe1df},  {360.0f, 0x3f7fffab, 0xbb50bcfa},
        {1.0f, 0x3f7ff607, 0x3c8ee5cc},   {-1.0f, 0x3f7ff607, 0xbc8ee5cc},
    };
    for (const Case& k : cases)
    {
        SCOPED_TRACE(k.degrees);
        const Matrix4 r = Rotate(Matrix4(), k.degrees);
        EXPECT_FLOAT_BITS(FromBits(k.c), r[0]);
        EXPECT_FLOAT_BITS(FromBits(k.s), r[1]);
        EXPECT_FLOAT_BITS(-FromBits(k.s), r[4]);
        EXPECT_FLOAT_BITS(FromBits(k.c), r[5]);
        ExpectIdentityBelowRowOne(r);
    }
    const Matrix4 zero = Rotate(Matrix4(), 0.0f);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(zero[i], Matrix4()[i]);
}

TEST(Rotate, MultipliesTheRotationOnTheLeft)
{
    // R x m mixes the rows of m; m x R would mix its columns.
    const Matrix4 m = Rows({1, 2, 0, 0}, {3, 4, 0, 0});
    const Matrix4 r = Rotate(m, 30.0f);
    const Matrix4 expected = Multiply(Rotate(Matrix4(), 30.0f), m);
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_BITS(expected[i], r[i]);
    EXPECT_FLOAT_BITS(FromBits(0x401763d6), r[0]);
}

TEST(Rotate, NinetyOneDegreeTurnsMatchOneQuarterTurnUpToRounding)
{
    Matrix4 m;
    for (int i = 0; i < 90; ++i)
        m = Rotate(m, 1.0f);
    // Exact bits of the double-precision sums; float sums end two to three ulps away.
    EXPECT_FLOAT_BITS(FromBits(0x3a50b604), m[0]); // 0.000796
    EXPECT_FLOAT_BITS(FromBits(0x3f7fffdb), m[1]); // 0.999998
    EXPECT_FLOAT_BITS(FromBits(0x3a50b604), m[5]);
    EXPECT_NEAR(m[0], Rotate(Matrix4(), 90.0f)[0], 1e-6);
}

TEST(Rotate, DegreesToRadiansRoundsOnceFromDouble)
{
    EXPECT_FLOAT_BITS(1.57000005245f, DegreesToRadians(90.0f));
    EXPECT_FLOAT_BITS(FromBits(0x3c8ee7a7), DegreesToRadians(1.0f));
}
