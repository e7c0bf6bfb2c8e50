/* The graphics library's drivers for the browser, a platform of our own (Emscripten):
 *   system     the timer's ticks are counted whenever the game yields (rest(0));
 *   timer      the browser's clock, emscripten_get_now(), turned into the library's ticks;
 *              a tab that was hidden catches up at most one second;
 *   keyboard   the window's keydown and keyup by KeyboardEvent.code into `key`; every key
 *              is released when the page loses the focus or is hidden; the keys the game
 *              uses do not scroll the page;
 *   mouse      a stub: the browser shows its own pointer, the library draws none;
 *   graphics   `screen` is a linear 32-bit bitmap in the module's memory, copied to the
 *              page's canvas (Module.canvas) on every release_screen().
 * The headless driver ("none") stays, so a program can still start without a display. */

#include <emscripten.h>
#include <emscripten/html5.h>
#include <stdlib.h>
#include <string.h>

#include "allegro.h"
#include "allegro/internal/aintern.h"

/* --- timer --- */

#define MAX_CATCH_UP_MS 1000.0 /* a tab left hidden owes at most this much time */

static double timer_last_ms;  /* the browser's clock when the timer last advanced */
static double timer_carry;    /* timer units not yet handed out, below one */

/* Hands the library the time that has passed since the last call, in its own units. */
static void advance_timer(void)
{
   double now, elapsed;
   long units;

   if (!timer_driver)
      return;
   now = emscripten_get_now();
   elapsed = now - timer_last_ms;
   timer_last_ms = now;
   if (elapsed > MAX_CATCH_UP_MS)
      elapsed = MAX_CATCH_UP_MS;
   timer_carry += elapsed * TIMERS_PER_SECOND / 1000.0;
   units = (long)timer_carry;
   timer_carry -= units;
   if (units > 0)
      _handle_timer_tick((int)units);
}

static int timer_init(void)
{
   timer_last_ms = emscripten_get_now();
   timer_carry = 0;
   return 0;
}

static void timer_exit(void)
{
}

TIMER_DRIVER timer_emscripten = {
   .id = TIMER_EMSCRIPTEN, .name = empty_string, .desc = empty_string, .ascii_name = "Browser clock",
   .init = timer_init, .exit = timer_exit,
};

/* --- keyboard --- */

/* KeyboardEvent.code of the keys the game and its page know, with their ASCII. */
static const struct { const char *code; int scancode; int ascii; } key_codes[] = {
   { "ArrowUp", KEY_UP, 0 }, { "ArrowDown", KEY_DOWN, 0 },
   { "ArrowLeft", KEY_LEFT, 0 }, { "ArrowRight", KEY_RIGHT, 0 },
   { "Space", KEY_SPACE, ' ' }, { "Escape", KEY_ESC, 27 }, { "Enter", KEY_ENTER, 13 },
};

/* The library's scancode and ASCII of a KeyboardEvent.code; false for keys left to the page. */
static int find_key(const char *code, int *scancode, int *ascii)
{
   unsigned i;

   for (i = 0; i < sizeof key_codes / sizeof key_codes[0]; i++) {
      if (strcmp(code, key_codes[i].code) == 0) {
         *scancode = key_codes[i].scancode;
         *ascii = key_codes[i].ascii;
         return TRUE;
      }
   }
   if (strncmp(code, "Key", 3) == 0 && code[3] >= 'A' && code[3] <= 'Z' && code[4] == '\0') {
      *scancode = KEY_A + (code[3] - 'A');
      *ascii = 'a' + (code[3] - 'A');
      return TRUE;
   }
   return FALSE;
}

static EM_BOOL on_key(int type, const EmscriptenKeyboardEvent *event, void *unused)
{
   int scancode, ascii;

   (void)unused;
   if (!find_key(event->code, &scancode, &ascii))
      return EM_FALSE;
   if (type == EMSCRIPTEN_EVENT_KEYDOWN) {
      if (!event->repeat)
         _handle_key_press(ascii, scancode);
   }
   else if (key[scancode]) {
      _handle_key_release(scancode);
   }
   return EM_TRUE; /* handled: no scrolling, no other default action */
}

/* Lets go of every key held: a page that lost the focus hears no keyup. */
static void release_all_keys(void)
{
   int scancode;

   for (scancode = 1; scancode < KEY_MAX; scancode++)
      if (key[scancode])
         _handle_key_release(scancode);
}

static EM_BOOL on_blur(int type, const EmscriptenFocusEvent *event, void *unused)
{
   (void)type; (void)event; (void)unused;
   release_all_keys();
   return EM_FALSE;
}

static EM_BOOL on_visibility(int type, const EmscriptenVisibilityChangeEvent *event, void *unused)
{
   (void)type; (void)unused;
   if (event->hidden)
      release_all_keys();
   return EM_FALSE;
}

static int keyboard_init(void)
{
   emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, NULL, EM_FALSE, on_key);
   emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, NULL, EM_FALSE, on_key);
   emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, NULL, EM_FALSE, on_blur);
   emscripten_set_visibilitychange_callback(NULL, EM_FALSE, on_visibility);
   return 0;
}

static void keyboard_exit(void)
{
   emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, NULL, EM_FALSE, NULL);
   emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, NULL, EM_FALSE, NULL);
   emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, NULL, EM_FALSE, NULL);
   emscripten_set_visibilitychange_callback(NULL, EM_FALSE, NULL);
}

KEYBOARD_DRIVER keyboard_emscripten = {
   .id = KEYBOARD_EMSCRIPTEN, .name = empty_string, .desc = empty_string, .ascii_name = "Browser keyboard",
   .autorepeat = FALSE, /* the browser's own key repeat is ignored */
   .init = keyboard_init, .exit = keyboard_exit,
};

/* --- mouse: the browser's own pointer --- */

static int mouse_init(void)
{
   return 0; /* no buttons */
}

static void mouse_exit(void)
{
}

MOUSE_DRIVER mouse_emscripten = {
   .id = MOUSE_EMSCRIPTEN, .name = empty_string, .desc = empty_string, .ascii_name = "Browser pointer",
   .init = mouse_init, .exit = mouse_exit,
};

/* --- graphics --- */

static uint32_t *screen_pixels;  /* the screen bitmap's memory, the library's layout */
static uint32_t *canvas_pixels;  /* the same as the canvas takes it: R, G, B, A bytes */

/* Copies the screen to the canvas, whose pixels are the bytes R, G, B, A: each colour
 * taken from where the library's 32-bit layout keeps it, alpha made opaque. */
static void show_screen(BITMAP *bmp)
{
   const int r = _rgb_r_shift_32, g = _rgb_g_shift_32, b = _rgb_b_shift_32;
   int i, n = bmp->w * bmp->h;

   for (i = 0; i < n; i++) {
      uint32_t p = screen_pixels[i];
      canvas_pixels[i] = 0xff000000u | ((p >> r) & 0xff) | (((p >> g) & 0xff) << 8) | (((p >> b) & 0xff) << 16);
   }
   EM_ASM({
      var canvas = Module['canvas'];
      var pixels = new Uint8ClampedArray(HEAPU8.buffer, $0, $1 * $2 * 4);
      canvas.getContext('2d').putImageData(new ImageData(pixels, $1, $2), 0, 0);
   }, canvas_pixels, bmp->w, bmp->h);
}

static BITMAP *gfx_init(int w, int h, int v_w, int v_h, int color_depth)
{
   BITMAP *b;

   if (color_depth != 32 || (v_w != 0 && v_w != w) || (v_h != 0 && v_h != h)) {
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, "the browser's screen is 32-bit, without a virtual screen");
      return NULL;
   }
   screen_pixels = calloc((size_t)w * h, sizeof(uint32_t));
   canvas_pixels = calloc((size_t)w * h, sizeof(uint32_t));
   if (!screen_pixels || !canvas_pixels) {
      free(screen_pixels);
      free(canvas_pixels);
      return NULL;
   }
   gfx_emscripten.w = w;
   gfx_emscripten.h = h;
   b = _make_bitmap(w, h, (uintptr_t)screen_pixels, &gfx_emscripten, 32, w * 4);
   if (!b)
      return NULL;
   _screen_vtable.release = show_screen;
   EM_ASM({
      Module['canvas'].width = $0;
      Module['canvas'].height = $1;
   }, w, h);
   return b;
}

static void gfx_exit(BITMAP *b)
{
   (void)b;
   free(screen_pixels);
   free(canvas_pixels);
   screen_pixels = canvas_pixels = NULL;
}

/* The browser's pointer stands in for the library's: a "hardware" cursor. */
static int gfx_set_mouse_sprite(BITMAP *sprite, int x, int y) { (void)sprite; (void)x; (void)y; return 0; }
static int gfx_show_mouse(BITMAP *bmp, int x, int y) { (void)bmp; (void)x; (void)y; return 0; }
static void gfx_hide_mouse(void) {}
static void gfx_move_mouse(int x, int y) { (void)x; (void)y; }

GFX_DRIVER gfx_emscripten = {
   .id = GFX_EMSCRIPTEN, .name = empty_string, .desc = empty_string, .ascii_name = "Browser canvas",
   .init = gfx_init, .exit = gfx_exit,
   .set_mouse_sprite = gfx_set_mouse_sprite, .show_mouse = gfx_show_mouse,
   .hide_mouse = gfx_hide_mouse, .move_mouse = gfx_move_mouse,
   .linear = TRUE, .windowed = TRUE,
};

/* --- system --- */

static int sys_init(void)
{
   return 0;
}

static void sys_exit(void)
{
}

SYSTEM_DRIVER system_emscripten = {
   .id = SYSTEM_EMSCRIPTEN, .name = empty_string, .desc = empty_string, .ascii_name = "Browser",
   .init = sys_init, .exit = sys_exit,
   .yield_timeslice = advance_timer, /* rest(0) counts the time passed */
};

_DRIVER_INFO _system_driver_list[] = {
   { SYSTEM_EMSCRIPTEN, &system_emscripten, TRUE },
   { SYSTEM_NONE, &system_none, FALSE },
   { 0, NULL, 0 }
};

_DRIVER_INFO _timer_driver_list[] = { { TIMER_EMSCRIPTEN, &timer_emscripten, TRUE }, { 0, NULL, 0 } };
_DRIVER_INFO _keyboard_driver_list[] = { { KEYBOARD_EMSCRIPTEN, &keyboard_emscripten, TRUE }, { 0, NULL, 0 } };
_DRIVER_INFO _mouse_driver_list[] = { { MOUSE_EMSCRIPTEN, &mouse_emscripten, TRUE }, { 0, NULL, 0 } };
_DRIVER_INFO _gfx_driver_list[] = { { GFX_EMSCRIPTEN, &gfx_emscripten, TRUE }, { 0, NULL, 0 } };

BEGIN_DIGI_DRIVER_LIST
END_DIGI_DRIVER_LIST

BEGIN_MIDI_DRIVER_LIST
END_MIDI_DRIVER_LIST

BEGIN_JOYSTICK_DRIVER_LIST
END_JOYSTICK_DRIVER_LIST
