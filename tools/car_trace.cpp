// car_trace: drives the real car through the real engine and game scene, headless, from a
// key script or a link on standard input, and prints the car's full state after every step
// (docs/tools.md).

#include <allegro.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "app/Startup.h"
#include "engine/GameScene.h"
#include "tools/CommandLine.h"
#include "tools/KeyScript.h"
#include "tools/Replay.h"
#include "tools/ToolSupport.h"

namespace
{

constexpr const char* kName = "car_trace";

constexpr const char* kHelp =
    "Prints a header line of column names, then step 0 (the new car) and one line a step with\n"
    "the car's whole state and its state hash; a recorded script's hashes are checked. The\n"
    "script may be a link to a drive (the whole address or its fragment).\n"
    "  --script FILE    writes the drive as a key script (a link's drive becomes a file)\n"
    "  --frame FILE     saves the last step's picture as BMP\n"
    "  --frames DIR     saves every Nth step's picture (and the last) as DIR/step-NNNNNN.bmp\n"
    "  --every N        N for --frames (default 1)\n"
    "Exit status: 0 done, 1 a start-up or output failure, 2 a bad script, link or command line,\n"
    "3 the replay left the recording (a state hash differed).\n";

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

/// Writes the picture the latest step showed as DIR/step-NNNNNN.bmp. False if it cannot.
bool SaveFrame(const std::string& folder, long step)
{
    char name[32];
    std::snprintf(name, sizeof name, "/step-%06ld.bmp", step);
    const std::string path = folder + name;
    if (save_bmp(path.c_str(), screen, nullptr) == 0)
        return true;
    std::fprintf(stderr, "%s: cannot write %s\n", kName, path.c_str());
    return false;
}

/// Writes `drive` as a key script to `path`. False, having said why, if it cannot.
bool WriteScript(const char* path, const Drive& drive)
{
    std::ofstream out(path, std::ios::binary);
    if (out << KeyScriptText(drive, kName) << std::flush)
        return true;
    std::fprintf(stderr, "%s: cannot write %s: %s\n", kName, path, std::strerror(errno));
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    UseBinaryStandardStreams();
    const char* scriptPath = nullptr;
    const char* framePath = nullptr;
    const char* framesFolder = nullptr;
    long every = 1;
    CCommandLine commandLine(
        kName,
        {{"--script", "FILE", nullptr, [&](const char* v) { return (scriptPath = v), true; }},
         {"--frame", "FILE", nullptr, [&](const char* v) { return (framePath = v), true; }},
         {"--frames", "DIR", nullptr, [&](const char* v) { return (framesFolder = v), true; }},
         {"--every", "N", "--frames", [&](const char* v) { return ReadNumber(v, 1, every); }}},
        nullptr, " < script|link", kHelp);
    const int status = commandLine.Read(argc, argv);
    if (status >= 0)
        return status;
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
    if (scriptPath != nullptr && !WriteScript(scriptPath, drive))
        return 1;

    // Pictures are shown on a screen in memory only when they are asked for.
    const bool pictures = framePath != nullptr || framesFolder != nullptr;
    if (!StartGame(kName, pictures ? StartMode::kHeadlessScreen : StartMode::kHeadless))
        return 1;
    Session session;
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
        if (framesFolder != nullptr && replay.Step() % every == 0 && !SaveFrame(framesFolder, replay.Step()))
            return 1;
    }
    if (framesFolder != nullptr && replay.Step() % every != 0 && !SaveFrame(framesFolder, replay.Step()))
        return 1;
    // With no step at all the screen is still black, as the window is before the first.
    if (framePath != nullptr && save_bmp(framePath, screen, nullptr) != 0)
    {
        std::fprintf(stderr, "%s: cannot write %s\n", kName, framePath);
        return 1;
    }
    if (std::fflush(stdout) != 0)
        return 1;
    if (!replay.Divergence().empty())
    {
        std::fprintf(stderr, "%s: %s\n", kName, replay.Divergence().c_str());
        return kStatusDiverged;
    }
    return 0;
}
