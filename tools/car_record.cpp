// car_record: the game exactly as racer plays it, keeping the drive as a key script: after
// every frame step one line with the keys that step read and the car's state hash after
// it, flushed every second of drive and on every way out (docs/tools.md).

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/FrameLoop.h"
#include "app/GameStep.h"
#include "app/Startup.h"
#include "engine/GameScene.h"
#include "shared/Globals.h"
#include "tools/CarFields.h"
#include "tools/GhostCar.h"
#include "tools/KeyScript.h"
#include "tools/ToolSupport.h"

namespace
{

constexpr const char* kName = "car_record";
#ifdef O_BINARY
constexpr int kBinary = O_BINARY; ///< Windows: lines end in "\n" alone, as everywhere
#else
constexpr int kBinary = 0;
#endif

constexpr const char* kUsage =
    "usage: car_record [--force] [--ghost SOURCE]... FILE\n"
    "Plays the game and writes every step's keys and the car's state hash to FILE, which\n"
    "car_trace and car_play replay exactly: an hour at most, the longest drive; the game goes\n"
    "on unrecorded after it. An existing FILE is kept unless --force is given.\n"
    "  --ghost SOURCE   races the drive of a key script or link as a see-through ghost (up to\n"
    "                   4 times); FILE keeps the player's drive alone\n"
    "Exit status: 0 done, 1 the file cannot be created or written, or the game cannot start,\n"
    "2 a bad command line or ghost.\n";

} // namespace

int main(int argc, char* argv[])
{
    bool force = false;
    Ghosts ghosts;
    int ghostStatus = 0;
    const option options[] = {{"force", no_argument, nullptr, 'f'}, {"ghost", required_argument, nullptr, 'g'},
                              {"help", no_argument, nullptr, 'h'}, {}};
    const int status = ReadOptions(argc, argv, options, kUsage, [&](int code, const char* value) {
        force = force || code == 'f';
        ghostStatus = code != 'g' || ghostStatus != 0 ? ghostStatus : ghosts.Read(kName, value);
        return true;
    });
    if (status >= 0)
        return status;
    if (ghostStatus != 0)
        return ghostStatus;
    if (optind != argc - 1 || std::strcmp(argv[optind], "-") == 0)
        return UsageError(kUsage);
    const char* path = argv[optind];

    // Created before the window opens, so that a path that cannot be written fails first.
    // An existing file given with --force is emptied only once the game has started.
    bool created = true;
    int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | kBinary, 0644);
    if (fd < 0 && errno == EEXIST && force)
    {
        fd = open(path, O_WRONLY | kBinary);
        created = false;
    }
    FILE* out = fd >= 0 ? fdopen(fd, "wb") : nullptr;
    if (out == nullptr)
    {
        std::fprintf(stderr, "%s: cannot create %s: %s\n", kName, path,
                     errno == EEXIST ? "it exists (--force overwrites it)" : std::strerror(errno));
        if (fd >= 0)
            close(fd);
        return 1;
    }

    if (!StartGame(kName))
    {
        std::fclose(out);
        if (created)
            unlink(path); // it would hold no drive
        return 1;
    }
    if (!ghosts.drives.empty())
        StartRace(ghosts);
    if ((!created && ftruncate(fd, 0) != 0) || std::fputs(ScriptHeader(kName).c_str(), out) < 0 ||
        std::fflush(out) != 0)
    {
        std::fprintf(stderr, "%s: cannot write %s: %s\n", kName, path, std::strerror(errno));
        StopGame();
        std::fclose(out);
        return 1;
    }
    // The keyboard held still for the whole step: the one key state the car read is written.
    // Flushed every second of drive, so that a killed recorder loses at most its last.
    CGameStep game(FrameStepOptions{.show = true, .stillKeyboard = true});
    long steps = 0;
    CFrameStepOf step([&] {
        game.Run();
        if (++steps <= kMostSteps)
            std::fprintf(out, "%s\n", StepLine(game.KeysRead(), StateHash(*CGameScene::PlayerCar())).c_str());
        if (steps % kTicksPerSecond == 0)
            std::fflush(out);
        TellPartedGhosts(kName); // the race goes on
    });
    RunFrameLoop(step);
    StopGame();
    if (steps > kMostSteps)
        std::fprintf(stderr, "%s: %s keeps the first of its %s steps, %s\n", kName, path,
                     Counted(static_cast<uint64_t>(steps)).c_str(), LongestDrive().c_str());

    const bool written = std::fflush(out) == 0 && !std::ferror(out);
    if (std::fclose(out) != 0 || !written)
    {
        std::fprintf(stderr, "%s: cannot write %s: %s\n", kName, path, std::strerror(errno));
        return 1;
    }
    return 0;
}
