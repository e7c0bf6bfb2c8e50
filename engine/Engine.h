#pragma once

#include <memory>
#include <vector>

#include "engine/Registry.h"
#include "engine/SceneManager.h"

class IActor;
class ICollision;

/// The registry through which the parts of the game find each other; one instance, in
/// g_engine. Lists only grow: an entry's index is fixed, a deleted entry leaves a null slot.
class CEngine
{
public:
    /// Creates the three empty lists. Touches neither the graphics library nor g_engine.
    CEngine();
    ~CEngine();

    CEngine(const CEngine&) = delete;
    CEngine& operator=(const CEngine&) = delete;

    std::unique_ptr<std::vector<IActor*>> m_actors;       ///< owns each actor in it
    std::unique_ptr<CSceneManager> m_sceneManager;        ///< owns the scenes
    std::unique_ptr<std::vector<ICollision*>> m_collisions; ///< owns no shape: each is part of an actor
};

/// Frees g_engine and all it owns: the actors (with their shapes), the actor list, the
/// scenes, the scene manager, the collision list, the engine; then sets g_engine to null.
/// Does not call the current scene's Destroy.
void ReleaseEngine();
