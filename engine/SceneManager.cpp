#include "engine/SceneManager.h"

#include "engine/IScene.h"
#include "engine/Registry.h"

CSceneManager::~CSceneManager()
{
    DeleteEntries(m_scenes);
}

void CSceneManager::SetScene(int32_t index)
{
    m_scenes[m_current]->Destroy();
    m_current = index;
    m_scenes[m_current]->Init();
}
