#include "bench/Workloads.h"

#include "actors/PlayerCar.h"
#include "app/DrivingKeys.h"
#include "app/FrameLoop.h"
#include "app/GameStep.h"
#include "engine/GameScene.h"
#include "shared/Globals.h"
#include "tools/GhostCar.h"

namespace
{
std::vector<CGhostCar*> s_ghosts; ///< of the race StartFourGhosts began
} // namespace

uint8_t WorkloadKeys(int i)
{
    static const uint8_t kPhases[] = {kKeyUp, kKeyUp | kKeyRight, kKeyUp | kKeyRight | kKeySpace,
                                      kKeyUp | kKeyLeft, kKeySpace, kKeyDown, kKeyDown | kKeyLeft, 0};
    return kPhases[(i / 125) % 8];
}

void KeepCarInView(CPlayerCar& car)
{
    if (car.m_position.x < 200 || car.m_position.x > 640 || car.m_position.y < 200 || car.m_position.y > 440)
    {
        car.m_position.x = 420;
        car.m_position.y = 320;
    }
}

void CarStep(CPlayerCar& car, int i)
{
    HoldKeys(WorkloadKeys(i));
    car.Update();
    KeepCarInView(car);
}

void FrameStep(CPlayerCar& car, CGameStep& step, int i)
{
    HoldKeys(WorkloadKeys(i));
    g_ticks.store(1);
    RunOwedSteps(step);
    KeepCarInView(car);
}

CPlayerCar& StartFourGhosts(int steps)
{
    Ghosts ghosts;
    for (int g = 0; g < CGhostCar::kMostGhosts; ++g)
    {
        auto drive = std::make_shared<Drive>();
        for (int i = 0; i < steps; ++i)
            AddStep(*drive, WorkloadKeys(i + 250 * (g + 1)));
        ghosts.drives.push_back(drive);
        ghosts.names.push_back("ghost " + std::to_string(g + 1));
    }
    StartRace(ghosts);
    s_ghosts = CGhostCar::InRace();
    return *CGameScene::PlayerCar();
}

void RaceStep(CPlayerCar& car, CGameStep& step, int i)
{
    FrameStep(car, step, i);
    for (CGhostCar* ghost : s_ghosts)
        KeepCarInView(*ghost);
}
