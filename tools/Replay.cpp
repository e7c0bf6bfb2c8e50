#include "tools/Replay.h"

#include <allegro.h>

#include "actors/PlayerCar.h"
#include "app/WindowLink.h"
#include "engine/GameScene.h"
#include "shared/Globals.h"
#include "tools/Trace.h"

CarSnapshot TakeSnapshot(const CPlayerCar& car)
{
    return CarSnapshot{static_cast<const ICar&>(car), car.m_position, car.m_transform, car.m_angle,
                       car.m_worldVertices, car.m_edgeA, car.m_edgeB, car.m_edgeC};
}

void RestoreSnapshot(const CarSnapshot& snapshot, CPlayerCar& car)
{
    static_cast<ICar&>(car) = snapshot.drive;
    car.m_position = snapshot.position;
    car.m_transform = snapshot.transform;
    car.m_angle = snapshot.angle;
    car.m_worldVertices = snapshot.worldVertices;
    car.m_edgeA = snapshot.edgeA;
    car.m_edgeB = snapshot.edgeB;
    car.m_edgeC = snapshot.edgeC;
}

CReplay::CReplay(const std::vector<ScriptLine>& script) : m_script(script)
{
    m_keyframes.push_back(Keyframe{TakeSnapshot(*CGameScene::PlayerCar()), 0});
}

bool CReplay::RunStep(CGameStep& step)
{
    CPlayerCar& car = *CGameScene::PlayerCar();
    while (m_next < m_script.size() && !m_script[m_next].isStep)
        ApplySettings(m_script[m_next++], car);
    if (m_next == m_script.size())
        return false;
    const ScriptLine& line = m_script[m_next++];
    step.RunHolding(line.keys);
    ++m_step;
    if (m_divergence.empty() && line.hasHash)
    {
        m_divergence = StateHashMismatch(line, m_step, StateHash(car));
        if (!m_divergence.empty())
            m_divergedAt = m_step;
    }
    return true;
}

bool CReplay::Forward()
{
    if (!m_divergence.empty() && m_step >= m_divergedAt)
        return false;
    if (!RunStep(m_shown))
        return false;
    if (m_step % kSnapshotEvery == 0 && static_cast<size_t>(m_step / kSnapshotEvery) == m_keyframes.size())
        m_keyframes.push_back(Keyframe{TakeSnapshot(*CGameScene::PlayerCar()), m_next});
    return true;
}

bool CReplay::Back()
{
    if (m_step == 0)
        return false;
    const long target = m_step - 1;
    if (target == 0)
    {
        Restart();
        return true;
    }
    // From the latest snapshot before the target step, which is then run and shown.
    const Keyframe& from = m_keyframes[static_cast<size_t>((target - 1) / kSnapshotEvery)];
    RestoreSnapshot(from.car, *CGameScene::PlayerCar());
    m_next = from.next;
    m_step = (target - 1) / kSnapshotEvery * kSnapshotEvery;
    while (m_step < target - 1)
        RunStep(m_unseen);
    RunStep(m_shown);
    return true;
}

void CReplay::Restart()
{
    RestoreSnapshot(m_keyframes.front().car, *CGameScene::PlayerCar());
    m_next = 0;
    m_step = 0;
    acquire_screen();
    clear_to_color(screen, makecol(0, 0, 0));
    release_screen();
    SendDrawing();
}
