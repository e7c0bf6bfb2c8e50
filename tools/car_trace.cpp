// car_trace: drives the real car through the real engine and game scene, headless, from a
// scripted keyboard on standard input, and prints the car's full state after every step.
// For tests, tuning and bug reports. Run it from the folder that holds Data/Textures/Car.bmp.
//
//   car_trace [--frame FILE] [--frames DIR [--every N]] < script
//
// The script is a key script (tools/KeyScript.h): a line a step, '#' comments, '=' lines
// that set car fields. --frame saves the last step's picture; --frames saves the picture
// of every Nth step and of the last one as DIR/step-NNNNNN.bmp.
// Exit status: 0 done, 1 a start-up or output failure, 2 a bad script or command line.

#include <allegro.h>
#include <sys/stat.h>

#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "actors/PlayerCar.h"
#include "app/Globals.h"
#include "app/Startup.h"
#include "engine/Engine.h"
#include "engine/IScene.h"
#include "tools/KeyScript.h"

namespace
{

constexpr const char* kName = "car_trace";

/// Tears the headless start-up down on every way out, bitmaps before the library.
struct Session
{
    ~Session() { StopGame(); }
};

CPlayerCar& Car()
{
    return *static_cast<CPlayerCar*>(g_engine->m_actors->back());
}

void PrintHeader()
{
    std::printf("step speed direction angle angleGap leftTurn rightTurn x y m0 m1 m4 m5"
                " wx0 wy0 wx1 wy1 wx2 wy2 wx3 wy3 a0 b0 c0 a1 b1 c1 a2 b2 c2 a3 b3 c3\n");
}

void PrintState(long step, const CPlayerCar& car)
{
    auto f = [](float v) { std::printf(" %.9g", static_cast<double>(v)); };
    std::printf("%ld", step);
    f(car.m_speed);
    f(car.m_direction);
    f(car.m_angle);
    f(car.m_angleGap);
    std::printf(" %" PRId32 " %" PRId32, car.m_leftTurn, car.m_rightTurn);
    f(car.m_position.x);
    f(car.m_position.y);
    for (int i : {0, 1, 4, 5})
        f(car.m_transform[i]);
    for (const Vector4& v : car.m_worldVertices)
    {
        f(v.x);
        f(v.y);
    }
    for (uint32_t i = 0; i < car.m_vertexCount; ++i)
    {
        f(car.m_edgeA[i]);
        f(car.m_edgeB[i]);
        f(car.m_edgeC[i]);
    }
    std::printf("\n");
}

/// Writes the picture the latest step drew as DIR/step-NNNNNN.bmp. False if it cannot.
bool SaveFrame(const std::string& folder, long step)
{
    char name[32];
    std::snprintf(name, sizeof name, "/step-%06ld.bmp", step);
    const std::string path = folder + name;
    if (save_bmp(path.c_str(), g_buffer, nullptr) == 0)
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

    if (!StartHeadless(kName))
        return 1;
    Session session;

    PrintHeader();
    PrintState(0, Car());

    CKeyScriptReader reader(stdin);
    ScriptLine line;
    long step = 0;
    bool lastSaved = true;
    while (reader.Next(line))
    {
        if (!line.isStep)
        {
            ApplySettings(line, Car());
            continue;
        }
        HoldKeys(line.keys);
        // The loop clears after each step; clearing before the next one instead leaves the
        // last step's picture in the buffer for --frame, and every step still starts on black.
        if (step > 0)
            clear_to_color(g_buffer, makecol(0, 0, 0));
        g_engine->m_sceneManager->Current()->Update();
        ++step;
        PrintState(step, Car());
        lastSaved = false;
        if (framesFolder != nullptr && step % every == 0)
        {
            if (!SaveFrame(framesFolder, step))
                return 1;
            lastSaved = true;
        }
    }
    if (!reader.Error().empty())
    {
        std::fprintf(stderr, "%s: %s\n", kName, reader.Error().c_str());
        return 2;
    }
    if (framesFolder != nullptr && !lastSaved && !SaveFrame(framesFolder, step))
        return 1;
    if (framePath != nullptr && save_bmp(framePath, g_buffer, nullptr) != 0)
    {
        std::fprintf(stderr, "%s: cannot write %s\n", kName, framePath);
        return 1;
    }
    if (std::fflush(stdout) != 0)
        return 1;
    return 0;
}
