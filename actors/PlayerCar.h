#pragma once

#include <cstdint>

#include "actors/Car.h"
#include "engine/IActor.h"
#include "geometry/Collision.h"

struct BITMAP;

/// The player's car: an actor, a 100 x 46 collision rectangle and a car in one object.
/// Owned by the engine's actor list and deleted through IActor, which frees it whole.
class CPlayerCar : public IActor, public ICollision, public ICar
{
public:
    /// Stands at (100, 100), at rest, pointing along +x; registers its shape.
    CPlayerCar();

    /// One frame step of the driving model from the keys held now, then Draw.
    void Update() override;

    /// Paints the sprite at the body angle, the red outline and the three-line readout.
    void Draw() override;

    /// The car ignores collisions.
    void OnCollision(int32_t other) override;

protected:
    /// A library sprite drawer of the rotate_sprite kind: onto, sprite, corner x and y, fixed angle.
    using SpriteDrawer = void (*)(BITMAP* target, BITMAP* sprite, int x, int y, int32_t angle);

    /// Paints the car image at the body angle with `drawSprite`, then the outline in the
    /// library colour `outline`: Draw's first two layers.
    void DrawCar(SpriteDrawer drawSprite, int outline);

private:
    void Steer();
    /// One steering step on `counter`; `sign` -1 turns left (angles shrink), +1 right.
    void SteerWith(int32_t& counter, int32_t sign);
    void StepCounter(int32_t& counter) const;
    void TurnBody(int32_t degrees);
    void PullDirection();
    void Handbrake();
    void Throttle();
    void Wrap();
    void Move();
};
