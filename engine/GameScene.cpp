#include "engine/GameScene.h"

#include <memory>
#include <typeinfo>

#include "actors/PlayerCar.h"
#include "engine/Engine.h"
#include "shared/Globals.h"

void CGameScene::Init()
{
    std::vector<IActor*>& actors = *g_engine->m_actors;
    // Held by a unique_ptr until the list has it: a failed append frees the car.
    std::unique_ptr<IActor> car = std::make_unique<CPlayerCar>();
    const int32_t index = Register(actors, car.get());
    car.release()->m_actorIndex = index;
}

CPlayerCar* CGameScene::PlayerCar()
{
    const std::vector<IActor*>& actors = *g_engine->m_actors;
    for (size_t i = actors.size(); i-- > 0;)
    {
        if (actors[i] != nullptr && typeid(*actors[i]) == typeid(CPlayerCar))
            return static_cast<CPlayerCar*>(actors[i]);
    }
    return nullptr;
}

void CGameScene::Update()
{
    std::vector<IActor*>& actors = *g_engine->m_actors;
    // The length is re-read on every pass: an actor appended meanwhile is stepped too.
    for (size_t i = 0; i < actors.size(); ++i)
    {
        if (actors[i] != nullptr)
            actors[i]->Update();
    }
}

void CGameScene::Destroy()
{
    DeleteEntries(*g_engine->m_actors);
}
