#include "app/GameStep.h"

#include <allegro.h>

#include "app/DrivingKeys.h"
#include "app/WindowLink.h"
#include "engine/Engine.h"
#include "engine/IScene.h"
#include "shared/Globals.h"

void CGameStep::Step(const uint8_t* hold)
{
    const bool still = m_options.stillKeyboard;
    if (still)
        acquire_screen();
    // Under the still keyboard's lock when there is one: what it takes is what the car reads.
    TakeWaitingInput();
    if (hold != nullptr)
        HoldKeys(*hold);

    // The scene is looked up afresh every step: a SetScene takes effect at the next one.
    g_engine->m_sceneManager->Current()->Update();
    m_keysRead = HeldKeys();

    if (m_options.show)
    {
        if (!still)
            acquire_screen();
        blit(g_buffer, screen, 0, 0, 0, 0, kScreenWidth, kScreenHeight);
    }
    if (still || m_options.show)
        release_screen();
    // The picture leaves now rather than on the library's next pass.
    if (m_options.show)
        SendDrawing();
    clear_to_color(g_buffer, makecol(0, 0, 0));
}
