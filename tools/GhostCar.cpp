#include "tools/GhostCar.h"

#include <allegro.h>

#include <cstdio>

#include "app/DrivingKeys.h"
#include "engine/Engine.h"
#include "engine/IScene.h"
#include "shared/Globals.h"
#include "tools/KeyScript.h"

namespace
{

/// The ghosts' colours, by their number in the race: none of them the player's red, nor the
/// readout's white and yellow.
constexpr unsigned char kColours[CGhostCar::kMostGhosts][3] = {
    {0, 200, 255}, {255, 150, 0}, {110, 255, 90}, {230, 90, 255}};

/// A pixel of the ghost's sprite `x` over the pixel `y` under it: each channel the mean of
/// the two, rounded down. Channel by channel, so that the picture is the same whichever way
/// round a platform keeps red and blue (the library's own blender mixes them in one word).
unsigned long HalfAndHalf(unsigned long x, unsigned long y, unsigned long)
{
    return ((x & 0xfefefe) >> 1) + ((y & 0xfefefe) >> 1) + (x & y & 0x010101);
}

} // namespace

CGhostCar::CGhostCar(std::shared_ptr<const Drive> drive, std::string name, int number)
    : m_drive(std::move(drive)), m_name(std::move(name)), m_number(number),
      m_replay(*m_drive, *this, [this](uint8_t keys, bool) {
          // The drive's keys for the ghost's own step; the player's, as they were, after it.
          char held[kDrivingKeyCount];
          for (int i = 0; i < kDrivingKeyCount; ++i)
              held[i] = key[kDrivingKeys[i].scancode];
          HoldKeys(keys);
          CPlayerCar::Update();
          for (int i = 0; i < kDrivingKeyCount; ++i)
              key[kDrivingKeys[i].scancode] = held[i];
      })
{
}

void CGhostCar::Update()
{
    if (!m_replay.Forward())
        Draw(); // its drive ended, or it parted from it: it stays where it stopped
}

void CGhostCar::Draw()
{
    set_blender_mode(HalfAndHalf, HalfAndHalf, HalfAndHalf, 0, 0, 0, 0);
    const unsigned char* c = ColourOf(m_number);
    DrawCar(rotate_sprite_trans, makecol(c[0], c[1], c[2]));
}

const unsigned char* CGhostCar::ColourOf(int number)
{
    return kColours[number];
}

std::string CGhostCar::Parted() const
{
    const std::string& where = m_replay.Divergence();
    return where.empty() ? "" : "ghost " + std::to_string(m_number + 1) + " (" + m_name + ") parted: " + where;
}

std::vector<CGhostCar*> CGhostCar::InRace()
{
    std::vector<CGhostCar*> ghosts;
    for (IActor* actor : *g_engine->m_actors)
        if (CGhostCar* ghost = dynamic_cast<CGhostCar*>(actor))
            ghosts.push_back(ghost);
    return ghosts;
}

int Ghosts::Read(const char* tool, const char* source)
{
    if (drives.size() == CGhostCar::kMostGhosts)
        return std::fprintf(stderr, "%s: at most %d ghosts race\n", tool, CGhostCar::kMostGhosts), 2;
    Drive drive;
    std::string said;
    const int status = ReadDrive(source, drive, said);
    if (!said.empty())
        std::fprintf(stderr, "%s: ghost: %s\n", tool, said.c_str());
    drives.push_back(std::make_shared<const Drive>(std::move(drive)));
    names.push_back(source);
    return status;
}

void StartRace(const Ghosts& ghosts)
{
    IScene& scene = *g_engine->m_sceneManager->Current();
    scene.Destroy(); // its new car, to come again after the ghosts
    for (size_t i = 0; i < ghosts.drives.size(); ++i)
    {
        auto ghost = std::make_unique<CGhostCar>(ghosts.drives[i], ghosts.names[i], static_cast<int>(i));
        ghost->m_actorIndex = Register(*g_engine->m_actors, static_cast<IActor*>(ghost.get()));
        static_cast<void>(ghost.release()); // the actor list owns it now
    }
    scene.Init();
}

bool TellPartedGhosts(const char* tool)
{
    bool parted = false;
    for (CGhostCar* ghost : CGhostCar::InRace())
    {
        const std::string where = ghost->Parted();
        if (!where.empty() && !ghost->m_told)
            std::fprintf(stderr, "%s: %s\n", tool, where.c_str());
        ghost->m_told = ghost->m_told || !where.empty();
        parted = parted || ghost->m_told;
    }
    return parted;
}
