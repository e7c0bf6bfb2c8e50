#include "geometry/Collision.h"

#include <allegro.h>

#include "engine/Engine.h"
#include "geometry/Pixel.h"
#include "shared/Globals.h"

ICollision::ICollision() : m_position(0.0f, 0.0f), m_pivot(0.0f, 0.0f)
{
    m_shapeIndex = Register(*g_engine->m_collisions, static_cast<ICollision*>(this));
    m_angle = 0.0f;
    m_vertexCount = 0;
}

ICollision::~ICollision()
{
    if (g_engine == nullptr || g_engine->m_collisions == nullptr)
        return;
    std::vector<ICollision*>& shapes = *g_engine->m_collisions;
    if (m_shapeIndex >= 0 && static_cast<size_t>(m_shapeIndex) < shapes.size() &&
        shapes[m_shapeIndex] == this)
        shapes[m_shapeIndex] = nullptr;
}

void ICollision::AddVertex(const Vector4& vertex)
{
    m_localVertices.push_back(vertex);
    m_worldVertices.push_back(vertex);
    m_edgeA.push_back(0.0f);
    m_edgeB.push_back(0.0f);
    m_edgeC.push_back(0.0f);
    ++m_vertexCount;
}

void ICollision::UpdateShape()
{
    const uint32_t n = m_vertexCount;
    const Matrix4& m = m_transform;
    for (uint32_t i = 0; i < n; ++i)
    {
        const Vector4 d = Subtract(m_localVertices[i], m_pivot);
        // Only x and y take part: the polygon is flat.
        const float rx = static_cast<float>(static_cast<double>(d.x) * m[0] + static_cast<double>(d.y) * m[4]);
        const float ry = static_cast<float>(static_cast<double>(d.x) * m[1] + static_cast<double>(d.y) * m[5]);
        // Two separate roundings, pivot first, as (r + P) + T.
        const float px = static_cast<float>(static_cast<double>(rx) + m_pivot.x);
        const float py = static_cast<float>(static_cast<double>(ry) + m_pivot.y);
        m_worldVertices[i].x = static_cast<float>(static_cast<double>(px) + m_position.x);
        m_worldVertices[i].y = static_cast<float>(static_cast<double>(py) + m_position.y);
    }
    for (uint32_t i = 0; i < n; ++i)
    {
        const uint32_t j = (i + 1 == n) ? 0 : i + 1;
        const double xi = m_worldVertices[i].x, yi = m_worldVertices[i].y;
        const double xj = m_worldVertices[j].x, yj = m_worldVertices[j].y;
        m_edgeA[i] = static_cast<float>(yi - yj);
        m_edgeB[i] = static_cast<float>(xj - xi);
        m_edgeC[i] = static_cast<float>(yj * xi - yi * xj);
    }
}

void ICollision::DrawOutline(int colour) const
{
    const uint32_t n = m_vertexCount;
    if (n < 2)
        return;
    auto edge = [&](uint32_t i, uint32_t j) {
        line(g_buffer, ToPixel(m_worldVertices[i].x), ToPixel(m_worldVertices[i].y),
             ToPixel(m_worldVertices[j].x), ToPixel(m_worldVertices[j].y), colour);
    };
    for (uint32_t i = 0; i + 1 < n; ++i)
        edge(i, i + 1);
    edge(n - 1, 0);
}
