#include "tools/Replay.h"

#include <allegro.h>

#include "actors/PlayerCar.h"
#include "app/WindowLink.h"
#include "engine/GameScene.h"

CReplay::CReplay(const Drive& drive, const FrameStepOptions& options)
    : m_drive(drive), m_shown(options), m_unseen([](FrameStepOptions unseen) { unseen.show = false; return unseen; }(options))
{
    m_keyframes.push_back(Keyframe{TakeState(*CGameScene::PlayerCar()), m_next});
}

bool CReplay::RunStep(CGameStep& step)
{
    if (m_step == m_drive.steps)
        return false; // settings after the last step change no picture
    CPlayerCar& car = *CGameScene::PlayerCar();
    Cursor& at = m_next;
    if (at.settings < m_drive.settings.size() && m_drive.settings[at.settings].after == m_step)
        for (const FieldSetting& s : m_drive.settings[at.settings++].fields)
            SetFieldBits(*s.field, car, s.bits);
    if (at.inRun == m_drive.runs[at.run].steps)
        at = Cursor{at.run + 1, 0, at.settings, at.check};
    step.RunHolding(m_drive.runs[at.run].keys);
    ++at.inRun;
    ++m_step;
    if (at.check < m_drive.checks.size() && m_drive.checks[at.check].step == m_step)
    {
        const StateCheck& check = m_drive.checks[at.check++];
        const uint64_t reached = StateHash(car);
        if (m_divergence.empty() && check.hash != reached)
        {
            m_divergence = "line " + std::to_string(check.line) + ", step " + std::to_string(m_step) +
                           ": the script holds state hash " + HashText(check.hash) + ", this build reached " +
                           HashText(reached);
            m_divergedAt = m_step;
        }
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
        m_keyframes.push_back(Keyframe{TakeState(*CGameScene::PlayerCar()), m_next});
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
    RestoreState(from.car, *CGameScene::PlayerCar());
    m_next = from.next;
    m_step = (target - 1) / kSnapshotEvery * kSnapshotEvery;
    while (m_step < target - 1)
        RunStep(m_unseen);
    RunStep(m_shown);
    return true;
}

void CReplay::Restart()
{
    RestoreState(m_keyframes.front().car, *CGameScene::PlayerCar());
    m_next = Cursor{};
    m_step = 0;
    acquire_screen();
    clear_to_color(screen, makecol(0, 0, 0));
    release_screen();
    SendDrawing();
}
