// highmem_probe: where a Windows program's memory lands, for tests/windows_test.sh, which
// runs it plainly and under highmem.exe: prints the addresses of a small and a large
// malloc and of the first and last line of an 840 x 640 bitmap made by the graphics
// library, writes the game's readout on that bitmap at its top and bottom, and saves it,
// so that the test can compare the pictures drawn at low and at high addresses.
//
//   highmem_probe.exe OUT.bmp     (exit status 1 if the library cannot start or save)

#include <allegro.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

namespace
{

unsigned long long Address(const void* p)
{
    return reinterpret_cast<uintptr_t>(p);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: highmem_probe OUT.bmp\n");
        return 2;
    }
    if (install_allegro(SYSTEM_NONE, &errno, std::atexit) != 0)
    {
        std::fprintf(stderr, "highmem_probe: cannot start the graphics library\n");
        return 1;
    }
    set_color_depth(32);
    void* small = std::malloc(16);
    void* large = std::malloc(2 << 20);
    BITMAP* bitmap = create_bitmap(840, 640);
    clear_to_color(bitmap, makecol(0, 0, 0));
    for (int y : {0, 10, 20, 610, 620, 630})
        textprintf_ex(bitmap, font, 5, y, makecol(255, y < 320 ? 255 : 0, 0), -1, "SPEED: %f", 11.75 * y);
    std::printf("malloc(16) %016llx\nmalloc(2 MB) %016llx\nbitmap line 0 %016llx\nbitmap line 639 %016llx\n",
                Address(small), Address(large), Address(bitmap->line[0]), Address(bitmap->line[639]));
    const int saved = save_bitmap(argv[1], bitmap, nullptr);
    destroy_bitmap(bitmap);
    std::free(large);
    std::free(small);
    allegro_exit();
    return saved == 0 ? 0 : 1;
}
END_OF_MAIN()
