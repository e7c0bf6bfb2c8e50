#pragma once

/// A scene decides which actors exist and steps them. Scenes are owned by the scene
/// manager and deleted through this interface.
class IScene
{
public:
    virtual ~IScene() = default;

    /// Creates the scene's actors and registers them in the engine's actor list.
    virtual void Init() = 0;

    /// One frame step of every live actor, in list order.
    virtual void Update() = 0;

    /// Deletes every live actor of the engine, leaving null slots.
    virtual void Destroy() = 0;
};
