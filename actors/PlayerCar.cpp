#include "actors/PlayerCar.h"

namespace
{
constexpr float kStartX = 100.0f;     ///< pixels
constexpr float kStartY = 100.0f;     ///< pixels
constexpr float kHalfLength = 50.0f;  ///< pixels, along the body's +x
constexpr float kHalfWidth = 23.0f;   ///< pixels
} // namespace

CPlayerCar::CPlayerCar()
{
    m_position.x = kStartX;
    m_position.y = kStartY;
    // Clockwise on screen (y down): top left, top right, bottom right, bottom left.
    AddVertex(Vector4(-kHalfLength, -kHalfWidth));
    AddVertex(Vector4(kHalfLength, -kHalfWidth));
    AddVertex(Vector4(kHalfLength, kHalfWidth));
    AddVertex(Vector4(-kHalfLength, kHalfWidth));
    m_pivot.x = 0.0f;
    m_pivot.y = 0.0f;
    UpdateShape();
}

void CPlayerCar::OnCollision(int32_t /*other*/)
{
}
