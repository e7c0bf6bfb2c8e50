// car_trace: drives the real car through the real engine and game scene, headless, from a
// scripted keyboard on standard input, and prints the car's full state after every step.
// For tests, tuning and bug reports. Run it from the folder that holds Data/Textures/Car.bmp.
//
//   car_trace [--frame FILE] [--frames DIR [--every N]] < script
//
// The script is a key script (tools/KeyScript.h): a line a step, '#' comments, '=' lines
// that set car fields; a recorded one gives the car's state hash after each step, which is
// checked: at the first that differs, car_trace stops with a line that names the script
// line, the step and both hashes. --frame saves the last step's picture; --frames saves the picture
// of every Nth step and of the last one as DIR/step-NNNNNN.bmp. Every step is the game's
// own frame step, shown on a screen in memory when pictures are asked for: they are the
// pictures the window shows. The trace's columns are defined in tools/Trace.cpp.
// Exit status: 0 done, 1 a start-up or output failure, 2 a bad script or command line,
// 3 the replay left the recording (a state hash differed).

#include <allegro.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/GameStep.h"
#include "app/Startup.h"
#include "engine/GameScene.h"
#include "tools/KeyScript.h"
#include "tools/ToolSupport.h"
#include "tools/Trace.h"

namespace
{

constexpr const char* kName = "car_trace";

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

int Usage()
{
    std::fprintf(stderr, "usage: %s [--frame FILE] [--frames DIR [--every N]] < script\n", kName);
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    UseBinaryStandardStreams();
    const char* framePath = nullptr;
    const char* framesFolder = nullptr;
    long every = 1;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--frame") == 0 && i + 1 < argc)
            framePath = argv[++i];
        else if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc)
            framesFolder = argv[++i];
        else if (std::strcmp(argv[i], "--every") == 0 && i + 1 < argc)
        {
            char* end = nullptr;
            errno = 0;
            every = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || errno == ERANGE || every < 1)
                return Usage();
        }
        else
            return Usage();
    }
    if (framesFolder != nullptr)
    {
        struct stat info;
        if (stat(framesFolder, &info) != 0 || !S_ISDIR(info.st_mode))
        {
            std::fprintf(stderr, "%s: %s is not a folder\n", kName, framesFolder);
            return 1;
        }
    }

    // Pictures are shown on a screen in memory only when they are asked for.
    const bool pictures = framePath != nullptr || framesFolder != nullptr;
    if (!StartHeadless(kName, pictures ? HeadlessScreen::kMemory : HeadlessScreen::kNone))
        return 1;
    Session session;
    CPlayerCar& car = *CGameScene::PlayerCar();
    CGameStep step(FrameStepOptions{.show = pictures});

    std::printf("%s\n", TraceHeader().c_str());
    PrintTraceLine(stdout, 0, car);

    CKeyScriptReader reader(stdin);
    ScriptLine line;
    long steps = 0;
    bool lastSaved = true;
    std::string diverged;
    while (reader.Next(line))
    {
        if (!line.isStep)
        {
            ApplySettings(line, car);
            continue;
        }
        step.RunHolding(line.keys);
        ++steps;
        const uint64_t reached = PrintTraceLine(stdout, steps, car);
        lastSaved = false;
        if (framesFolder != nullptr && steps % every == 0)
        {
            if (!SaveFrame(framesFolder, steps))
                return 1;
            lastSaved = true;
        }
        diverged = StateHashMismatch(line, steps, reached);
        if (!diverged.empty())
            break; // the pictures below are of the step where the replay parted
    }
    if (!reader.Error().empty() && diverged.empty())
    {
        std::fprintf(stderr, "%s: %s\n", kName, reader.Error().c_str());
        return 2;
    }
    if (framesFolder != nullptr && !lastSaved && !SaveFrame(framesFolder, steps))
        return 1;
    // With no step at all the screen is still black, as the window is before the first.
    if (framePath != nullptr && save_bmp(framePath, screen, nullptr) != 0)
    {
        std::fprintf(stderr, "%s: cannot write %s\n", kName, framePath);
        return 1;
    }
    if (std::fflush(stdout) != 0)
        return 1;
    if (!diverged.empty())
    {
        std::fprintf(stderr, "%s: %s\n", kName, diverged.c_str());
        return kStatusDiverged;
    }
    return 0;
}
