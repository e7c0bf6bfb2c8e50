#pragma once

#include <memory>
#include <string>
#include <vector>

#include "actors/PlayerCar.h"
#include "tools/Replay.h"

/// A ghost: a car that drives a recorded drive step for step beside the player's, seen
/// through and touching nothing. It is one more actor of the game scene, driven by the one
/// replay: its drive's keys are held in the library's key state for its own step alone, and
/// every state hash the drive gives is checked. Where its drive ends, or where it parts from
/// it, it stays. Owned by the engine's actor list, as every actor.
class CGhostCar : public CPlayerCar
{
public:
    static constexpr int kMostGhosts = 4; ///< in one race

    /// The ghost of `drive`, called `name` (a file's, "the link"), the `number`th of its race
    /// (0 to kMostGhosts - 1), which gives its colour; at the start, as a new car is.
    CGhostCar(std::shared_ptr<const Drive> drive, std::string name, int number);

    /// The next step of its drive, if there is one, then its picture.
    void Update() override;

    /// The sprite at the body angle, each pixel half its own and half what lies under it,
    /// and the outline in the ghost's colour; no readout.
    void Draw() override;

    /// The colour of the `number`th ghost of a race: red, green and blue, 0 to 255.
    static const unsigned char* ColourOf(int number);

    const std::string& Name() const { return m_name; }

    /// Empty, or where the ghost parted from its drive: "ghost 2 (drive.keys) parted: line
    /// 61, step 60: the script holds state hash ..., this build reached ...".
    std::string Parted() const;

    /// The live ghosts of the running game, in the order of its walk.
    static std::vector<CGhostCar*> InRace();

private:
    std::shared_ptr<const Drive> m_drive;
    std::string m_name;
    int m_number;
    CReplay m_replay;
    bool m_told = false; ///< TellPartedGhosts said where it parted

    friend bool TellPartedGhosts(const char* tool);
};

/// The drives of a race's ghosts and their names, as they are given before it.
struct Ghosts
{
    std::vector<std::shared_ptr<const Drive>> drives;
    std::vector<std::string> names;

    /// Reads the drive of `source` (a key script's path or a link) for one more ghost, named
    /// by it: 0, or ReadDrive's status having said why on stderr as `tool`; 2 past kMostGhosts.
    int Read(const char* tool, const char* source);
};

/// Begins the running game's scene again as a race: a ghost for each of `ghosts`, walked
/// before the player's new car, so that the player's car and readout are drawn over them.
void StartRace(const Ghosts& ghosts);

/// Says on stderr, as `tool`, once for each ghost that has parted from its drive, where
/// (Parted). True once any ghost of the race has parted.
bool TellPartedGhosts(const char* tool);
