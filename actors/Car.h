#pragma once

#include <cstdint>

/// The driving state of a car. Data only; the body angle and the position live in the
/// car's collision shape.
struct ICar
{
    float m_direction = 0.0f; ///< direction of travel, degrees (0 = +x, 90 = +y, down the screen)
    float m_angleGap = 0.0f;  ///< |m_direction - body angle| after the latest steering stage, degrees
    float m_speed = 0.0f;     ///< pixels per frame step; negative while reversing
    int32_t m_leftTurn = 0;   ///< left-steering counter
    int32_t m_rightTurn = 0;  ///< right-steering counter
};
