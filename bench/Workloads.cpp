#include "bench/Workloads.h"

#include "actors/PlayerCar.h"
#include "app/DrivingKeys.h"
#include "app/FrameLoop.h"
#include "app/GameStep.h"
#include "shared/Globals.h"

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
