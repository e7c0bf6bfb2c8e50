// car_trace: drives the real car through the real engine and game scene, headless, from a
// key script or a link on standard input, and prints the car's full state after every step
// (docs/tools.md).

#include <allegro.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "app/GameStep.h"
#include "app/Startup.h"
#include "engine/GameScene.h"
#include "tools/GhostCar.h"
#include "tools/KeyScript.h"
#include "tools/ToolSupport.h"

namespace
{

constexpr const char* kName = "car_trace";

constexpr const char* kUsage =
    "usage: car_trace [--script FILE] [--frame FILE] [--frames DIR [--every N]] [--ghost SOURCE]... < script|link\n"
    "Prints a header line of column names, then step 0 (the new car) and one line a step with\n"
    "the car's whole state and its state hash; a recorded script's hashes are checked. The\n"
    "script may be a link to a drive (the whole address or its fragment).\n"
    "  --script FILE    writes the drive as a key script (a link's drive becomes a file)\n"
    "  --frame FILE     saves the last step's picture as BMP\n"
    "  --frames DIR     saves every Nth step's picture (and the last) as DIR/step-NNNNNN.bmp\n"
    "  --every N        N for --frames (default 1)\n"
    "  --ghost SOURCE   races the drive of a key script or link as a ghost, drawn in the\n"
    "                   pictures and checked step by step (up to 4 times); the trace stays\n"
    "                   the player's car's\n"
    "Exit status: 0 done, 1 a start-up or output failure, 2 a bad script, link or command line,\n"
    "3 the replay or a ghost left its recording (a state hash differed).\n";

/// One line of the trace: the step number, every field of the car (tools/CarFields.h), the
/// state hash. The header line names the columns the same way: "step", the fields, "hash".
void PrintTraceLine(long step, const CPlayerCar& car)
{
    std::printf("%ld", step);
    for (const CarField& field : kCarFields)
        std::printf(" %s", FieldText(field, FieldBits(field, car)).c_str());
    std::printf(" %s\n", HashText(StateHash(car)).c_str());
}

/// Tears the headless start-up down on every way out, bitmaps before the library.
struct Session
{
    ~Session() { StopGame(); }
};

/// Writes the picture the latest step showed to `path`. False, having said so, if it cannot.
bool SavePicture(const std::string& path)
{
    if (save_bmp(path.c_str(), screen, nullptr) == 0)
        return true;
    std::fprintf(stderr, "%s: cannot write %s\n", kName, path.c_str());
    return false;
}

/// DIR/step-NNNNNN.bmp, the picture of step `step` in `folder`.
std::string FramePath(const std::string& folder, long step)
{
    char name[32];
    std::snprintf(name, sizeof name, "/step-%06ld.bmp", step);
    return folder + name;
}

} // namespace

int main(int argc, char* argv[])
{
    UseBinaryStandardStreams();
    const char* scriptPath = nullptr;
    const char* framePath = nullptr;
    const char* framesFolder = nullptr;
    long every = 1;
    Ghosts ghosts;
    int ghostStatus = 0;
    const option options[] = {{"script", required_argument, nullptr, 's'}, {"frame", required_argument, nullptr, 'f'},
                              {"frames", required_argument, nullptr, 'F'}, {"every", required_argument, nullptr, 'e'},
                              {"ghost", required_argument, nullptr, 'g'},  {"help", no_argument, nullptr, 'h'},
                              {}};
    const int status = ReadOptions(argc, argv, options, kUsage, [&](int code, const char* value) {
        switch (code)
        {
        case 's': return (scriptPath = value), true;
        case 'f': return (framePath = value), true;
        case 'F': return (framesFolder = value), true;
        case 'e': return ReadNumber(value, 1, every);
        }
        ghostStatus = ghostStatus != 0 ? ghostStatus : ghosts.Read(kName, value);
        return true;
    });
    if (status >= 0)
        return status;
    if (ghostStatus != 0)
        return ghostStatus;
    if (optind != argc)
        return UsageError(kUsage);
    struct stat info;
    if (framesFolder != nullptr && (stat(framesFolder, &info) != 0 || !S_ISDIR(info.st_mode)))
    {
        std::fprintf(stderr, "%s: %s is not a folder\n", kName, framesFolder);
        return 1;
    }

    Drive drive;
    std::string said;
    const int read = ReadDrive("-", drive, said);
    if (!said.empty())
        std::fprintf(stderr, "%s: %s\n", kName, said.c_str());
    if (read != 0)
        return read;
    if (scriptPath != nullptr && !(std::ofstream(scriptPath, std::ios::binary) << KeyScriptText(drive, kName) << std::flush))
    {
        std::fprintf(stderr, "%s: cannot write %s: %s\n", kName, scriptPath, std::strerror(errno));
        return 1;
    }

    // Pictures are shown on a screen in memory only when they are asked for.
    const bool pictures = framePath != nullptr || framesFolder != nullptr;
    if (!StartGame(kName, pictures ? StartMode::kHeadlessScreen : StartMode::kHeadless))
        return 1;
    Session session;
    if (!ghosts.drives.empty())
        StartRace(ghosts);
    const CPlayerCar& car = *CGameScene::PlayerCar();

    std::printf("step");
    for (const CarField& field : kCarFields)
        std::printf(" %s", field.name);
    std::printf(" hash\n");
    PrintTraceLine(0, car);

    // Where the replay parted, it stops: the last picture is of that step.
    CReplay replay(drive, FrameStepOptions{.show = pictures});
    while (replay.Forward())
    {
        PrintTraceLine(replay.Step(), car);
        if (framesFolder != nullptr && replay.Step() % every == 0 && !SavePicture(FramePath(framesFolder, replay.Step())))
            return 1;
    }
    if (framesFolder != nullptr && replay.Step() % every != 0 && !SavePicture(FramePath(framesFolder, replay.Step())))
        return 1;
    // With no step at all the screen is still black, as the window is before the first.
    if ((framePath != nullptr && !SavePicture(framePath)) || std::fflush(stdout) != 0)
        return 1;
    if (!replay.Divergence().empty())
        std::fprintf(stderr, "%s: %s\n", kName, replay.Divergence().c_str());
    return TellPartedGhosts(kName) || !replay.Divergence().empty() ? kStatusDiverged : 0;
}
