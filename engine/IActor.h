#pragma once

#include <cstdint>

/// Anything the scenes step and draw. Actors are owned by the engine's actor list and are
/// deleted through this interface, which releases the whole concrete actor.
class IActor
{
public:
    virtual ~IActor() = default;

    /// Advances the actor by one frame step (1/60 s).
    virtual void Update() = 0;

    /// Paints the actor into g_buffer.
    virtual void Draw() = 0;

    int32_t m_actorIndex = -1; ///< slot in the engine's actor list, set by whoever appends it
};
