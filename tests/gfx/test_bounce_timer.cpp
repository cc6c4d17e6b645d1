// The bouncing tiles moved by the real SDL timer thread while the main thread reads them.
#include "effects.h"
#include "screen.h"
#include "sdl_spy.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

TEST(BounceTimer, TimerThreadMovesTheTilesWithinTheirBounds) {
    sdlspy::UseDummyDrivers();
    ASSERT_EQ(SDL_Init(SDL_INIT_TIMER), 0) << SDL_GetError();
    for (SDL_Surface*& tile : tiles)
        tile = SDL_CreateRGBSurface(SDL_SWSURFACE, 30, 30, 16, 0xf800, 0x07e0, 0x001f, 0);
    for (int i = 0; i < kBounceCount; ++i)
        tileX[i].store(10 + 30 * i, std::memory_order_relaxed);
    const int startX = tileX[0].load(std::memory_order_relaxed);

    ASSERT_EQ(SDL_SetTimer(1, klmr_BounceTick), 0);
    // The main thread reads while the timer writes, as the menu does every frame.
    bool moved = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!moved && std::chrono::steady_clock::now() < deadline) {
        for (int i = 0; i < kBounceCount; ++i) {
            const int x = tileX[i].load(std::memory_order_relaxed);
            const int a = tileAngle[i].load(std::memory_order_relaxed);
            EXPECT_TRUE(x >= 0 && x <= 610) << x;
            EXPECT_TRUE(a >= 0 && a <= 179) << a;
        }
        moved = tileX[0].load(std::memory_order_relaxed) >= startX + 5;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    SDL_SetTimer(0, nullptr);
    SDL_Quit(); // joins the timer thread: nothing reads the tiles after this
    EXPECT_TRUE(moved) << "the timer ran at least five ticks in five seconds";
    for (int i = 0; i < kBounceCount; ++i) {
        const int s = tileSpeed[i].load(std::memory_order_relaxed);
        EXPECT_TRUE(s == 1 || s == -1);
    }
    klmr_FreeImages();
}

} // namespace
