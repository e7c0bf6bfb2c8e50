#pragma once

#include "engine/IScene.h"

class CPlayerCar;

/// The one scene of the game: the player's car. Keeps no record of its actors; it works on
/// the engine's whole actor list.
class CGameScene : public IScene
{
public:
    /// The player's car of the running game: the live car in the engine's actor list, found
    /// by its type (exactly CPlayerCar: a car of a type derived from it is another's), not by
    /// its place; null when the scene has none. The list owns it.
    static CPlayerCar* PlayerCar();

    /// Creates the player's car and appends it to the actor list.
    void Init() override;
    /// Steps every live actor in list order, re-reading the length before each entry.
    void Update() override;
    /// Deletes every live actor and leaves its slot null.
    void Destroy() override;
};
