#pragma once

#include <cstdint>
#include <vector>

#include "geometry/Matrix4.h"
#include "geometry/Vector4.h"

/// A polygon collision shape carried by an actor: local vertices turned about a pivot by
/// m_transform, then moved to m_position. Keeps the line A x + B y + C = 0 of every edge.
/// Registers itself in the engine's collision list on construction, so g_engine must exist.
class ICollision
{
public:
    ICollision();

    /// Reaction to a collision; the argument's meaning belongs to the deriving class.
    virtual void OnCollision(int32_t other) = 0;

    /// Appends a vertex in local coordinates; until the next UpdateShape its world copy is
    /// the local vertex unchanged and its edge coefficients are zero.
    void AddVertex(const Vector4& vertex);

    /// Recomputes the world vertices, then every edge's coefficients. Allocates nothing.
    void UpdateShape();

    /// Draws the closed outline into g_buffer, one-pixel lines in the library colour
    /// `colour`. Draws nothing below two vertices. Allocates nothing.
    void DrawOutline(int colour) const;

    int32_t m_shapeIndex;          ///< slot in the engine's collision list
    Vector4 m_position;            ///< world translation, pixels
    Matrix4 m_transform;           ///< rotation about the pivot
    uint32_t m_vertexCount;        ///< length of each of the five lists below
    float m_angle;                 ///< body angle in degrees, kept by the owner beside m_transform
    Vector4 m_pivot;               ///< centre of rotation, local pixels
    std::vector<Vector4> m_localVertices;
    std::vector<Vector4> m_worldVertices;
    std::vector<float> m_edgeA;    ///< y_i - y_j of edge i
    std::vector<float> m_edgeB;    ///< x_j - x_i of edge i
    std::vector<float> m_edgeC;    ///< y_j x_i - y_i x_j of edge i

protected:
    /// Not virtual: a shape dies as part of its actor, never through an ICollision pointer.
    /// Clears its own slot in the collision list so that no entry points at a freed shape.
    ~ICollision();

    ICollision(const ICollision&) = delete;
    ICollision& operator=(const ICollision&) = delete;
};
