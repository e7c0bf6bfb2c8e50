#pragma once

#include <cstdint>

class CGameStep;
class CPlayerCar;

// The fixed workloads that scripts/bench times and the instruction budgets count: a drive
// away, turns both ways at speed, the handbrake and reversing, with the car kept in view.

/// The keys of step `i` of the fixed drive (KeyBits).
uint8_t WorkloadKeys(int i);

/// Puts the car back in the middle whenever it nears an edge, so that each step draws all of it.
void KeepCarInView(CPlayerCar& car);

/// Step `i` of the fixed drive: the car's own step (Update with its Draw).
void CarStep(CPlayerCar& car, int i);

/// Step `i` of the fixed drive: a whole frame step of the loop, owed and run.
void FrameStep(CPlayerCar& car, CGameStep& step, int i);

/// Begins the game's scene again as a race against four ghosts, each driving the fixed drive
/// from a phase of its own for `steps` steps; gives the player's new car.
CPlayerCar& StartFourGhosts(int steps);

/// Step `i` of the race: a whole frame step, the ghosts kept in view too.
void RaceStep(CPlayerCar& car, CGameStep& step, int i);
