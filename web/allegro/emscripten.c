/* The graphics library's drivers for the browser, a platform of our own (Emscripten), as
 * docs/web.md tells: the system counts the timer's ticks whenever the game yields; the timer
 * is the browser's clock, at most five steps' worth a frame; the keyboard is `key` as the
 * page holds it (emsc_key); the mouse is the browser's own pointer; the screen is a 32-bit
 * bitmap laid out as the canvas takes it, painted once a frame (emsc_paint). The headless
 * driver ("none") stays, so a program can still start without a display. */

#include <emscripten.h>
#include <emscripten/html5.h>
#include <stdlib.h>

#include "allegro.h"
#include "allegro/internal/aintern.h"

/* What a driver of ours has nothing to do for: its start, which never fails (and gives
 * the mouse no buttons), and its stop. */
static int nothing_to_start(void) { return 0; }
static void nothing_to_stop(void) {}

/* --- timer --- */

/* The most time one animation frame may owe: five steps of the game's 60 Hz. A frame
 * that runs late runs at most five steps, so that it is not later still. */
#define MAX_CATCH_UP_MS (5 * 1000.0 / 60)

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

TIMER_DRIVER timer_emscripten = {
   .id = TIMER_EMSCRIPTEN, .name = empty_string, .desc = empty_string, .ascii_name = "Browser clock",
   .init = timer_init, .exit = nothing_to_stop,
};

/* --- keyboard --- */

int emsc_key(int scancode, int ascii, int down)
{
   if (!keyboard_driver || scancode <= 0 || scancode >= KEY_MAX)
      return FALSE;
   if (down && !key[scancode])
      _handle_key_press(ascii, scancode);
   else if (!down && key[scancode])
      _handle_key_release(scancode);
   return TRUE;
}

KEYBOARD_DRIVER keyboard_emscripten = {
   .id = KEYBOARD_EMSCRIPTEN, .name = empty_string, .desc = empty_string, .ascii_name = "Browser keyboard",
   .autorepeat = FALSE, /* the browser's own key repeat is ignored */
   .init = nothing_to_start, .exit = nothing_to_stop,
};

/* --- mouse: the browser's own pointer --- */

MOUSE_DRIVER mouse_emscripten = {
   .id = MOUSE_EMSCRIPTEN, .name = empty_string, .desc = empty_string, .ascii_name = "Browser pointer",
   .init = nothing_to_start, .exit = nothing_to_stop, /* no buttons */
};

/* --- graphics --- */

static uint32_t *screen_pixels;  /* the screen bitmap's memory: R, G, B, A bytes */
static int screen_changed;       /* released since the last paint */

/* The library's blit from a memory bitmap to the screen, with the alpha byte set: the
 * game's colours have none, and the canvas would take them as transparent. Costs what
 * the plain copy does, and leaves the paint nothing to convert. */
static void blit_opaque(BITMAP *source, BITMAP *dest, int source_x, int source_y,
                        int dest_x, int dest_y, int width, int height)
{
   const uint32_t opaque = 0xffu << _rgb_a_shift_32;
   int x, y;

   for (y = 0; y < height; y++) {
      const uint32_t *from = (const uint32_t *)source->line[source_y + y] + source_x;
      uint32_t *to = (uint32_t *)dest->line[dest_y + y] + dest_x;
      for (x = 0; x < width; x++)
         to[x] = from[x] | opaque;
   }
}

static void screen_released(BITMAP *bmp)
{
   (void)bmp;
   screen_changed = TRUE;
}

void emsc_paint(void)
{
   if (!screen_changed || !screen_pixels)
      return;
   screen_changed = FALSE;
   EM_ASM({
      var pixels = new Uint8ClampedArray(HEAPU8.buffer, $0, $1 * $2 * 4);
      Module['canvasContext'].putImageData(new ImageData(pixels, $1, $2), 0, 0);
   }, screen_pixels, gfx_emscripten.w, gfx_emscripten.h);
}

static BITMAP *gfx_init(int w, int h, int v_w, int v_h, int color_depth)
{
   BITMAP *b;

   if (color_depth != 32 || (v_w != 0 && v_w != w) || (v_h != 0 && v_h != h)) {
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, "the browser's screen is 32-bit, without a virtual screen");
      return NULL;
   }
   screen_pixels = calloc((size_t)w * h, sizeof(uint32_t));
   if (!screen_pixels)
      return NULL;
   gfx_emscripten.w = w;
   gfx_emscripten.h = h;
   b = _make_bitmap(w, h, (uintptr_t)screen_pixels, &gfx_emscripten, 32, w * 4);
   if (!b) {
      free(screen_pixels);
      screen_pixels = NULL;
      return NULL;
   }
   _screen_vtable.release = screen_released;
   _screen_vtable.blit_from_memory = blit_opaque;
   screen_changed = FALSE;
   EM_ASM({
      var canvas = Module['canvas'];
      canvas.width = $0;
      canvas.height = $1;
      Module['canvasContext'] = canvas.getContext('2d');
   }, w, h);
   return b;
}

static void gfx_exit(BITMAP *b)
{
   (void)b;
   free(screen_pixels);
   screen_pixels = NULL;
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

/* --- what the page leaves out of the library ---
 * The game draws lines, a sprite turned about a point, text and blits, into 32-bit
 * bitmaps and, as the car image loads, from a 24-bit one; it loads one BMP file; it has no
 * sound, datafiles, fonts or MIDI of its own. The drawing tables of those two depths are
 * defined here with only those methods (the library's own, vtable*.c, are not built: the
 * rest of their methods, null here, are never called), and the registries that would link
 * every other loader start empty (alemscfg.h runs them by hand), so that none of the rest
 * is in the page. The library makes its default mouse pointers at 8 bits, before the game
 * asks for 32; the browser's pointer stands in for them, so they need only their pixels. */

#define PAGE_VTABLE(depth)                                                                  \
   GFX_VTABLE __linear_vtable##depth = {                                                    \
      .color_depth = depth, .mask_color = MASK_COLOR_##depth, .unwrite_bank = _stub_unbank_switch, \
      .getpixel = _linear_getpixel##depth, .putpixel = _linear_putpixel##depth,             \
      .vline = _linear_vline##depth, .hline = _linear_hline##depth, .hfill = _linear_hline##depth, \
      .line = _normal_line, .fastline = _fast_line, .rectfill = _normal_rectfill,           \
      .draw_sprite = _linear_draw_sprite##depth, .draw_character = _linear_draw_character##depth, \
      .draw_glyph = _linear_draw_glyph##depth,                                              \
      .blit_from_memory = _linear_blit##depth, .blit_to_memory = _linear_blit##depth,       \
      .blit_from_system = _linear_blit##depth, .blit_to_system = _linear_blit##depth,       \
      .blit_to_self = _linear_blit##depth, .blit_to_self_forward = _linear_blit##depth,     \
      .blit_to_self_backward = _linear_blit_backward##depth, .blit_between_formats = _blit_between_formats, \
      .clear_to_color = _linear_clear_to_color##depth, .pivot_scaled_sprite_flip = _pivot_scaled_sprite_flip, \
   }
PAGE_VTABLE(24);
PAGE_VTABLE(32);

static void putpixel8(BITMAP *bmp, int x, int y, int color)
{
   if (x >= bmp->cl && x < bmp->cr && y >= bmp->ct && y < bmp->cb)
      bmp->line[y][x] = color;
}

static int getpixel8(BITMAP *bmp, int x, int y)
{
   return x >= 0 && x < bmp->w && y >= 0 && y < bmp->h ? bmp->line[y][x] : -1;
}

static GFX_VTABLE pointer_vtable8 = {
   .color_depth = 8, .mask_color = MASK_COLOR_8, .unwrite_bank = _stub_unbank_switch,
   .getpixel = getpixel8, .putpixel = putpixel8,
};

_VTABLE_INFO _vtable_list[] = {
   { 8, &pointer_vtable8 }, { 24, &__linear_vtable24 }, { 32, &__linear_vtable32 }, { 0, NULL }
};

/* The image loaders the library registers beside BMP's, not built: they load nothing. */
BITMAP *load_lbm(AL_CONST char *f, RGB *p) { (void)f; (void)p; return NULL; }
BITMAP *load_pcx(AL_CONST char *f, RGB *p) { (void)f; (void)p; return NULL; }
BITMAP *load_tga(AL_CONST char *f, RGB *p) { (void)f; (void)p; return NULL; }
int save_pcx(AL_CONST char *f, BITMAP *b, AL_CONST RGB *p) { (void)f; (void)b; (void)p; return -1; }
int save_tga(AL_CONST char *f, BITMAP *b, AL_CONST RGB *p) { (void)f; (void)b; (void)p; return -1; }

void _initialize_datafile_types(void) {}
void _midi_constructor(void) {}
void _register_sample_file_type_init(void) {}
void _register_font_file_type_init(void) {}

/* --- system --- */

SYSTEM_DRIVER system_emscripten = {
   .id = SYSTEM_EMSCRIPTEN, .name = empty_string, .desc = empty_string, .ascii_name = "Browser",
   .init = nothing_to_start, .exit = nothing_to_stop,
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
