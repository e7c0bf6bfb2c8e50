// Headless test runner: the game's start-up without a display (a 32-bit back buffer, the
// real car image, a memory bitmap standing in for the screen), and counted allocations.

#include <cstdlib>
#include <new>

#include "app/Startup.h"
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

namespace
{

/// The game's own headless start-up, with a screen in memory, and without its engine:
/// each test makes its own.
class HeadlessLibrary : public ::testing::Environment
{
public:
    void SetUp() override
    {
        ASSERT_TRUE(StartGame("racer_tests", StartMode::kHeadlessScreen))
            << "(run the tests from the folder that holds Data/Textures/Car.bmp)";
        ReleaseEngine();
    }

    void TearDown() override { StopGame(); }
};

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new HeadlessLibrary);
    return RUN_ALL_TESTS();
}
