#include "tools/StillKeyboard.h"

#include <allegro.h>

#include "app/Globals.h"
#include "engine/Engine.h"
#include "engine/IScene.h"
#include "tools/KeyScript.h"

uint8_t StepWithStillKeyboard(const uint8_t* hold)
{
    acquire_screen();
    if (hold != nullptr)
        HoldKeys(*hold);
    g_engine->m_sceneManager->Current()->Update();
    const uint8_t keys = HeldKeys();
    blit(g_buffer, screen, 0, 0, 0, 0, kScreenWidth, kScreenHeight);
    release_screen();
    return keys;
}
