#pragma once

#include <cstdint>
#include <vector>

class IScene;

/// The scene list and the index of the current scene. Owns the scenes.
class CSceneManager
{
public:
    CSceneManager() = default;
    /// Deletes any scene still in the list.
    ~CSceneManager();

    CSceneManager(const CSceneManager&) = delete;
    CSceneManager& operator=(const CSceneManager&) = delete;

    /// Leaves the current scene (its Destroy, even when `index` is the current one), makes
    /// `index` current and starts it (its Init). `index` must be a slot of m_scenes.
    void SetScene(int32_t index);

    /// The scene at m_current.
    IScene* Current() const { return m_scenes[m_current]; }

    std::vector<IScene*> m_scenes; ///< owned; append-only, null once deleted
    int32_t m_current = 0;
};
