// Fixed workloads for counting instructions under callgrind: the count is the same from
// run to run for the same binary, whatever else the machine does. Only the workload itself
// is counted (callgrind's collection is switched on around it). Run from the repository root.
//
//   valgrind --tool=callgrind --collect-atstart=no racer_workload car_step|frame_step|race_step|memcpy_frame
//
// car_step: 1,000 car steps (Update with its Draw) of a fixed drive; frame_step: 1,000
// whole frame steps of the loop to a memory screen; race_step: the same racing four ghosts;
// memcpy_frame: one memcpy of an 840 x 640 x 4-byte frame. Prints the number of steps
// counted. Exit status 2 for an unknown workload, 1 if the game cannot start headless.

#include <allegro.h>
#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "actors/PlayerCar.h"
#include "app/GameStep.h"
#include "app/Startup.h"
#include "bench/Workloads.h"
#include "engine/GameScene.h"
#include "shared/Globals.h"

namespace
{
constexpr int kSteps = 1000;
} // namespace

int main(int argc, char* argv[])
{
    const std::string workload = argc == 2 ? argv[1] : "";
    if (workload != "car_step" && workload != "frame_step" && workload != "race_step" && workload != "memcpy_frame")
    {
        std::fprintf(stderr, "usage: racer_workload car_step|frame_step|race_step|memcpy_frame\n");
        return 2;
    }
    if (!StartGame("racer_workload", StartMode::kHeadlessScreen))
        return 1;
    CPlayerCar& car = *CGameScene::PlayerCar();
    std::vector<unsigned char> from(static_cast<size_t>(kScreenWidth) * kScreenHeight * 4, 1), to(from.size());
    int counted = kSteps;

    if (workload == "car_step")
    {
        CALLGRIND_TOGGLE_COLLECT;
        for (int i = 0; i < kSteps; ++i)
            CarStep(car, i);
        CALLGRIND_TOGGLE_COLLECT;
    }
    else if (workload == "frame_step" || workload == "race_step")
    {
        CPlayerCar& racer = workload == "race_step" ? StartFourGhosts(kSteps) : car;
        CGameStep step;
        CALLGRIND_TOGGLE_COLLECT;
        for (int i = 0; i < kSteps; ++i)
            (workload == "race_step" ? RaceStep : FrameStep)(racer, step, i);
        CALLGRIND_TOGGLE_COLLECT;
    }
    else
    {
        CALLGRIND_TOGGLE_COLLECT;
        std::memcpy(to.data(), from.data(), from.size());
        CALLGRIND_TOGGLE_COLLECT;
        counted = 1;
    }
    std::printf("%d %u\n", counted, static_cast<unsigned>(to[to.size() / 2]));
    StopGame();
    return 0;
}
