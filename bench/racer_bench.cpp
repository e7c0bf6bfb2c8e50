// Per-step costs against the 16.67 ms frame budget, with a plain memcpy and memset of one
// 840 x 640 x 4-byte frame as the physical reference. Run from the repository root.
//
//   racer_bench [benchmark flags]     (5 repetitions, medians, unless told otherwise)

#include <allegro.h>
#include <benchmark/benchmark.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "actors/PlayerCar.h"
#include "app/GameStep.h"
#include "app/Startup.h"
#include "bench/Workloads.h"
#include "engine/Engine.h"
#include "engine/GameScene.h"
#include "shared/Globals.h"

namespace
{

constexpr size_t kFrameBytes = static_cast<size_t>(kScreenWidth) * kScreenHeight * 4;
constexpr double kFrameBudgetUs = 1e6 / kTicksPerSecond;

CPlayerCar& Car() { return *CGameScene::PlayerCar(); }

void BM_CarStep(benchmark::State& state)
{
    CPlayerCar& car = Car();
    int i = 0;
    for (auto _ : state)
        CarStep(car, i++);
    benchmark::DoNotOptimize(g_buffer->line[0][0]);
}
BENCHMARK(BM_CarStep);

void BM_FrameStep(benchmark::State& state)
{
    CPlayerCar& car = Car();
    CGameStep step;
    int i = 0;
    for (auto _ : state)
        FrameStep(car, step, i++); // scene Update, blit of the whole buffer to the screen, clear
    benchmark::DoNotOptimize(screen->line[0][0]);
}
BENCHMARK(BM_FrameStep);

void BM_RaceStep(benchmark::State& state)
{
    // The race begins as the benchmark does; the scene is begun again alone after it.
    CPlayerCar& car = StartFourGhosts(1 << 20);
    CGameStep step;
    int i = 0;
    for (auto _ : state)
        RaceStep(car, step, i++); // the frame step racing four ghosts
    benchmark::DoNotOptimize(screen->line[0][0]);
    g_engine->m_sceneManager->SetScene(0);
}
BENCHMARK(BM_RaceStep);

// The two library halves of a frame step, for the breakdown.
void BM_BlitFrame(benchmark::State& state)
{
    for (auto _ : state)
    {
        blit(g_buffer, screen, 0, 0, 0, 0, kScreenWidth, kScreenHeight);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BlitFrame);

void BM_ClearFrame(benchmark::State& state)
{
    for (auto _ : state)
    {
        clear_to_color(g_buffer, makecol(0, 0, 0));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ClearFrame);

void BM_UpdateShape(benchmark::State& state)
{
    CPlayerCar& car = Car();
    for (auto _ : state)
    {
        car.UpdateShape();
        benchmark::DoNotOptimize(car.m_edgeC[3]);
    }
}
BENCHMARK(BM_UpdateShape);

void BM_MemcpyFrame(benchmark::State& state)
{
    std::vector<unsigned char> from(kFrameBytes, 1), to(kFrameBytes);
    for (auto _ : state)
    {
        std::memcpy(to.data(), from.data(), kFrameBytes);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MemcpyFrame);

void BM_MemsetFrame(benchmark::State& state)
{
    std::vector<unsigned char> frame(kFrameBytes);
    for (auto _ : state)
    {
        std::memset(frame.data(), 0, kFrameBytes);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MemsetFrame);

/// The console table, and the medians kept for the summary.
class MedianReporter : public benchmark::ConsoleReporter
{
public:
    MedianReporter() : ConsoleReporter(OO_Tabular) {} // plain text: it ends up in notes and logs

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                m_medianUs[run.run_name.function_name] = run.GetAdjustedRealTime() / 1e3;
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintSummary() const
    {
        auto found = m_medianUs.find("BM_MemcpyFrame");
        if (found == m_medianUs.end())
            return;
        const double memcpyUs = found->second;
        std::printf("\n%-16s %12s %12s %14s\n", "median of reps", "us", "x memcpy", "% of 16.67 ms");
        for (const char* name : {"BM_CarStep", "BM_FrameStep", "BM_RaceStep", "BM_BlitFrame", "BM_ClearFrame", "BM_UpdateShape",
                                 "BM_MemcpyFrame", "BM_MemsetFrame"})
        {
            auto it = m_medianUs.find(name);
            if (it != m_medianUs.end())
                std::printf("%-16s %12.3f %12.3f %13.3f%%\n", name + 3, it->second, it->second / memcpyUs,
                            100.0 * it->second / kFrameBudgetUs);
        }
    }

private:
    std::map<std::string, double> m_medianUs;
};

} // namespace

int main(int argc, char** argv)
{
    std::vector<char*> args(argv, argv + argc);
    std::string reps = "--benchmark_repetitions=5";
    std::string aggregates = "--benchmark_report_aggregates_only=true";
    args.insert(args.begin() + 1, {reps.data(), aggregates.data()}); // the caller's flags win
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    // Headless as car_trace with pictures: the frame step shows on a screen in memory.
    if (!StartGame("racer_bench", StartMode::kHeadlessScreen))
        return 1;
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();
    StopGame();
    benchmark::Shutdown();
    return 0;
}
