#include "tools/RecordingStep.h"

#include "engine/GameScene.h"
#include "tools/CarFields.h"
#include "tools/KeyScript.h"

void CRecordingStep::Run()
{
    m_step.Run();
    ++m_steps;
    m_sink.Append(StepLine(m_step.KeysRead(), StateHash(*CGameScene::PlayerCar())));
}
