// Headless test runner: the graphics library without a display, a 32-bit memory back
// buffer, the real car image and a memory bitmap standing in for the screen.

#include <cerrno>
#include <cstdlib>
#include <new>

#include <string>

#include "app/CarImage.h"
#include "tests/TestSupport.h"

namespace
{
std::atomic<uint64_t> s_allocations{0};
std::atomic<int64_t> s_live{0};
} // namespace

uint64_t AllocationCount() { return s_allocations.load(); }
int64_t LiveAllocations() { return s_live.load(); }

void* operator new(std::size_t size)
{
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr)
        throw std::bad_alloc();
    ++s_allocations;
    ++s_live;
    return p;
}

void operator delete(void* p) noexcept
{
    if (p == nullptr)
        return;
    --s_live;
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

void HoldKeys(const char* letters)
{
    const int keys[] = {KEY_UP, KEY_DOWN, KEY_LEFT, KEY_RIGHT, KEY_SPACE};
    const char names[] = "UDLRS";
    for (int i = 0; i < 5; ++i)
        key[keys[i]] = std::strchr(letters, names[i]) != nullptr ? 1 : 0;
}

namespace
{

class HeadlessLibrary : public ::testing::Environment
{
public:
    void SetUp() override
    {
        ASSERT_EQ(install_allegro(SYSTEM_NONE, &errno, std::atexit), 0) << allegro_error;
        set_color_depth(kColourDepth);
        g_buffer = create_bitmap(kScreenWidth, kScreenHeight);
        ASSERT_NE(g_buffer, nullptr);
        clear_to_color(g_buffer, makecol(0, 0, 0));
        std::string error;
        g_carBitmap = LoadCarImage(kCarImagePath, error);
        ASSERT_NE(g_carBitmap, nullptr) << error << " (run the tests from the folder that holds it)";
        screen = create_bitmap(kScreenWidth, kScreenHeight);
        ASSERT_NE(screen, nullptr);
        clear_to_color(screen, makecol(0, 0, 0));
    }

    void TearDown() override
    {
        // Bitmaps go before the library: destroying one after allegro_exit crashes.
        destroy_bitmap(screen);
        screen = nullptr;
        destroy_bitmap(g_buffer);
        g_buffer = nullptr;
        destroy_bitmap(g_carBitmap);
        g_carBitmap = nullptr;
        allegro_exit();
    }
};

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new HeadlessLibrary);
    return RUN_ALL_TESTS();
}
