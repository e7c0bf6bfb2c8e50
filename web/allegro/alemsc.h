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

#ifdef __cplusplus
   extern "C" {
#endif

/* Presses (down true) or releases the key of scancode `scancode` (typing `ascii`), as the
 * page's one input path asks; false without a keyboard. */
AL_FUNC(int, emsc_key, (int scancode, int ascii, int down));

/* Paints the screen to the page's canvas if a step has released it since the last paint;
 * called once an animation frame, after the steps owed. */
AL_FUNC(void, emsc_paint, (void));

#ifdef __cplusplus
   }
#endif

#endif
