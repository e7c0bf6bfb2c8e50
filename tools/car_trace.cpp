// car_trace: drives the real car through the real engine and game scene, headless, from a
// scripted keyboard on standard input, and prints the car's full state after every step.
// For tests, tuning and bug reports. Run it from the folder that holds Data/Textures/Car.bmp.
//
//   car_trace [--frame FILE] < script
//
// A script line is one step: any of U D L R S (either case) for the keys held, '.' and
// blanks ignored. '#' starts a comment line. '= FIELD VALUE ...' sets car fields directly.
// Exit status: 0 done, 1 a start-up or output failure, 2 a bad script or command line.

#include <allegro.h>

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

namespace
{

constexpr const char* kName = "car_trace";
constexpr size_t kMaxLine = 4096; ///< characters; a longer line is not a script line

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

/// A character as a message shows it: printable as itself, anything else as a byte code.
std::string Shown(unsigned char c)
{
    char text[16];
    if (c >= 0x21 && c < 0x7f)
        std::snprintf(text, sizeof text, "'%c'", c);
    else
        std::snprintf(text, sizeof text, "byte 0x%02x", c);
    return text;
}

int ScriptError(long lineNumber, const std::string& what)
{
    std::fprintf(stderr, "%s: line %ld: %s\n", kName, lineNumber, what.c_str());
    return 2;
}

/// Reads one line into `line` without its end; false at the end of input. A line longer
/// than kMaxLine is cut there and flagged, and the rest of it is skipped unread.
bool ReadLine(std::string& line, bool& tooLong)
{
    line.clear();
    tooLong = false;
    int c;
    while ((c = std::getchar()) != EOF && c != '\n')
    {
        if (line.size() < kMaxLine)
            line.push_back(static_cast<char>(c));
        else
            tooLong = true;
    }
    return !(c == EOF && line.empty() && !tooLong);
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

/// Parses "= FIELD VALUE ..." (after the '=') into the car. Returns 0 or an exit status.
int ApplySetLine(const std::string& rest, long lineNumber, CPlayerCar& car)
{
    size_t pos = 0;
    auto nextWord = [&](std::string& word) {
        while (pos < rest.size() && IsBlank(rest[pos]))
            ++pos;
        const size_t start = pos;
        while (pos < rest.size() && !IsBlank(rest[pos]))
            ++pos;
        word = rest.substr(start, pos - start);
        return !word.empty();
    };
    std::string field, value;
    while (nextWord(field))
    {
        float* target = nullptr;
        int32_t* counter = nullptr;
        if (field == "speed") target = &car.m_speed;
        else if (field == "direction") target = &car.m_direction;
        else if (field == "angle") target = &car.m_angle;
        else if (field == "angleGap") target = &car.m_angleGap;
        else if (field == "x") target = &car.m_position.x;
        else if (field == "y") target = &car.m_position.y;
        else if (field == "leftTurn") counter = &car.m_leftTurn;
        else if (field == "rightTurn") counter = &car.m_rightTurn;
        else
            return ScriptError(lineNumber, "unknown field '" + field + "'");
        if (!nextWord(value))
            return ScriptError(lineNumber, "no value for field '" + field + "'");
        char* end = nullptr;
        errno = 0;
        if (target != nullptr)
        {
            // strtof rounds straight to the nearest float, as the field stores it.
            const float v = std::strtof(value.c_str(), &end);
            // Overflow and "inf" or "nan" are no float constants of a car's state.
            if (*end != '\0' || !std::isfinite(v))
                return ScriptError(lineNumber, "unreadable value '" + value + "' for field '" + field + "'");
            *target = v;
        }
        else
        {
            const long v = std::strtol(value.c_str(), &end, 10);
            if (*end != '\0' || errno == ERANGE || v < INT32_MIN || v > INT32_MAX)
                return ScriptError(lineNumber, "unreadable value '" + value + "' for field '" + field + "'");
            *counter = static_cast<int32_t>(v);
        }
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    const char* framePath = nullptr;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--frame") == 0 && i + 1 < argc)
            framePath = argv[++i];
        else
        {
            std::fprintf(stderr, "usage: %s [--frame FILE] < script\n", kName);
            return 2;
        }
    }

    if (!StartHeadless(kName))
        return 1;
    Session session;

    PrintHeader();
    PrintState(0, Car());

    std::string line;
    bool tooLong = false;
    long lineNumber = 0;
    long step = 0;
    const int keys[] = {KEY_UP, KEY_DOWN, KEY_LEFT, KEY_RIGHT, KEY_SPACE};
    while (ReadLine(line, tooLong))
    {
        ++lineNumber;
        if (tooLong)
            return ScriptError(lineNumber, "longer than " + std::to_string(kMaxLine) + " characters");
        size_t first = 0;
        while (first < line.size() && IsBlank(line[first]))
            ++first;
        if (first < line.size() && line[first] == '#')
            continue;
        if (first < line.size() && line[first] == '=')
        {
            const int status = ApplySetLine(line.substr(first + 1), lineNumber, Car());
            if (status != 0)
                return status;
            continue;
        }
        for (int k : keys)
            key[k] = 0;
        for (char ch : line)
        {
            switch (ch)
            {
            case 'U': case 'u': key[KEY_UP] = 1; break;
            case 'D': case 'd': key[KEY_DOWN] = 1; break;
            case 'L': case 'l': key[KEY_LEFT] = 1; break;
            case 'R': case 'r': key[KEY_RIGHT] = 1; break;
            case 'S': case 's': key[KEY_SPACE] = 1; break;
            case '.': case ' ': case '\t': case '\r': case '\f': case '\v': break;
            default:
                return ScriptError(lineNumber, "unknown key " + Shown(static_cast<unsigned char>(ch)));
            }
        }
        // The loop clears after each step; clearing before the next one instead leaves the
        // last step's picture in the buffer for --frame, and every step still starts on black.
        if (step > 0)
            clear_to_color(g_buffer, makecol(0, 0, 0));
        g_engine->m_sceneManager->Current()->Update();
        ++step;
        PrintState(step, Car());
    }
    if (std::ferror(stdin))
    {
        std::fprintf(stderr, "%s: cannot read the script: %s\n", kName, std::strerror(errno));
        return 2;
    }
    if (framePath != nullptr && save_bmp(framePath, g_buffer, nullptr) != 0)
    {
        std::fprintf(stderr, "%s: cannot write %s\n", kName, framePath);
        return 1;
    }
    if (std::fflush(stdout) != 0)
        return 1;
    return 0;
}
