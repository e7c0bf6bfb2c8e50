#include "tools/Replay.h"

#include <allegro.h>

#include "actors/PlayerCar.h"
#include "app/WindowLink.h"
#include "engine/GameScene.h"
#include "shared/Globals.h"

namespace
{
FrameStepOptions Unseen(FrameStepOptions options)
{
    options.show = false;
    return options;
}
} // namespace

CReplay::CReplay(const std::vector<ScriptLine>& script, const FrameStepOptions& options)
    : m_script(&script), m_shown(options), m_unseen(Unseen(options))
{
    m_keyframes.push_back(Keyframe{TakeState(*CGameScene::PlayerCar()), 0});
}

CReplay::CReplay(CKeyScriptReader& reader, const FrameStepOptions& options)
    : m_reader(&reader), m_shown(options), m_unseen(Unseen(options))
{
}

bool CReplay::NextLine(const ScriptLine*& line)
{
    if (m_reader != nullptr)
    {
        if (!m_reader->Next(m_read))
            return false;
        line = &m_read;
        return true;
    }
    if (m_next == m_script->size())
        return false;
    line = &(*m_script)[m_next++];
    return true;
}

bool CReplay::RunStep(CGameStep& step)
{
    CPlayerCar& car = *CGameScene::PlayerCar();
    const ScriptLine* line = nullptr;
    while (NextLine(line) && !line->isStep)
        ApplySettings(*line, car);
    if (line == nullptr || !line->isStep)
        return false;
    step.RunHolding(line->keys);
    ++m_step;
    if (m_divergence.empty() && line->hasHash)
    {
        m_divergence = StateHashMismatch(*line, m_step, StateHash(car));
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
    if (m_script != nullptr && m_step % kSnapshotEvery == 0 &&
        static_cast<size_t>(m_step / kSnapshotEvery) == m_keyframes.size())
        m_keyframes.push_back(Keyframe{TakeState(*CGameScene::PlayerCar()), m_next});
    return true;
}

bool CReplay::Back()
{
    if (m_script == nullptr || m_step == 0)
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
    if (m_script == nullptr)
        return;
    RestoreState(m_keyframes.front().car, *CGameScene::PlayerCar());
    m_next = 0;
    m_step = 0;
    acquire_screen();
    clear_to_color(screen, makecol(0, 0, 0));
    release_screen();
    SendDrawing();
}
