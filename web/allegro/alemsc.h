/* The browser platform's drivers (web/allegro/emscripten.c): installed into the library's
 * include/allegro/platform/ by scripts/web. */

#ifndef ALEMSC_H
#define ALEMSC_H

#ifndef ALLEGRO_EMSCRIPTEN
   #error bad include
#endif

#define SYSTEM_EMSCRIPTEN       AL_ID('E','M','S','C')
AL_VAR(SYSTEM_DRIVER, system_emscripten);

#define TIMER_EMSCRIPTEN        AL_ID('E','M','S','T')
AL_VAR(TIMER_DRIVER, timer_emscripten);

#define KEYBOARD_EMSCRIPTEN     AL_ID('E','M','S','K')
AL_VAR(KEYBOARD_DRIVER, keyboard_emscripten);

#define MOUSE_EMSCRIPTEN        AL_ID('E','M','S','M')
AL_VAR(MOUSE_DRIVER, mouse_emscripten);

#define GFX_EMSCRIPTEN          AL_ID('E','M','S','G')
AL_VAR(GFX_DRIVER, gfx_emscripten);

#endif
