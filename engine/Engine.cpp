#include "engine/Engine.h"

#include "engine/IActor.h"
#include "engine/IScene.h"
#include "shared/Globals.h"

CEngine::CEngine()
    : m_actors(std::make_unique<std::vector<IActor*>>()),
      m_sceneManager(std::make_unique<CSceneManager>()),
      m_collisions(std::make_unique<std::vector<ICollision*>>())
{
}

CEngine::~CEngine() = default;

void ReleaseEngine()
{
    CEngine* engine = g_engine;
    if (engine == nullptr)
        return;
    DeleteEntries(*engine->m_actors);
    engine->m_actors.reset();
    DeleteEntries(engine->m_sceneManager->m_scenes);
    engine->m_sceneManager.reset();
    // The shapes went with their actors; only the list itself is ours to free.
    engine->m_collisions.reset();
    delete engine;
    g_engine = nullptr;
}
