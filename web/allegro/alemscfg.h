/* The graphics library's configuration for the browser (Emscripten), a platform of our
 * own: selected by ALLEGRO_EMSCRIPTEN in alplatf.h. Like the smallest of the library's own
 * ports: no threads, no assembler, a POSIX-like C library. scripts/web puts this file in
 * the library's include/allegro/platform/. */

#ifndef ALEMSCFG_H
#define ALEMSCFG_H

#include <fcntl.h>
#include <unistd.h>

/* The browser's entry is our own main; no magic main. */
#define ALLEGRO_NO_MAGIC_MAIN
#undef END_OF_MAIN
#define END_OF_MAIN()

#define ALLEGRO_HAVE_DIRENT_H   1
#define ALLEGRO_HAVE_INTTYPES_H 1
#define ALLEGRO_HAVE_STDINT_H   1
#define ALLEGRO_HAVE_SYS_TIME_H 1
#define ALLEGRO_HAVE_TIME_H     1
#define ALLEGRO_HAVE_SYS_STAT_H 1
#define ALLEGRO_NO_STRICMP
#define ALLEGRO_NO_STRLWR
#define ALLEGRO_NO_STRUPR

#define ALLEGRO_PLATFORM_STR    "Emscripten"
#define ALLEGRO_CONSOLE_OK
#define ALLEGRO_LITTLE_ENDIAN

/* The canvas is 32-bit and the car image 24-bit: the library's 8-, 15- and 16-bit code is
 * not built. Its registries of loaders are started by hand, not by constructors, so that
 * the page's platform can start them empty (emscripten.c). */
#undef ALLEGRO_COLOR8
#undef ALLEGRO_COLOR16

#ifndef ALLEGRO_NO_ASM
   #define ALLEGRO_NO_ASM
#endif

#define ALLEGRO_EXTRA_HEADER    "allegro/platform/alemsc.h"

#endif
