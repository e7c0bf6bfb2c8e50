// The fixtures the unit tests share.

#include <algorithm>

#include "actors/PlayerCar.h"
#include "app/DrivingKeys.h"
#include "engine/GameScene.h"
#include "tests/TestSupport.h"

void HoldKeys(const char* letters)
{
    uint8_t keys = 0;
    for (const char* c = letters; *c != '\0'; ++c)
        keys |= DrivingKeyOfLetter(*c)->bit;
    HoldKeys(keys);
}

CPlayerCar* AddCar()
{
    auto* car = new CPlayerCar();
    car->m_actorIndex = Register(*g_engine->m_actors, static_cast<IActor*>(car));
    return car;
}

CPlayerCar& StartGameScene()
{
    g_engine->m_sceneManager->m_scenes.push_back(new CGameScene());
    g_engine->m_sceneManager->SetScene(0);
    return *CGameScene::PlayerCar();
}

PixelCount CountPixels(BITMAP* bitmap, int colour)
{
    PixelCount c;
    const int black = makecol(0, 0, 0);
    for (int y = 0; y < bitmap->h; ++y)
        for (int x = 0; x < bitmap->w; ++x)
        {
            const int p = getpixel(bitmap, x, y);
            if (p == colour)
            {
                c.x0 = std::min(c.x0, x);
                c.y0 = std::min(c.y0, y);
                c.x1 = std::max(c.x1, x);
                c.y1 = std::max(c.y1, y);
                ++c.count;
            }
            else if (p != black)
                ++c.others;
        }
    return c;
}
