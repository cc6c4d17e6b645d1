// The bouncing tiles moved by the real SDL timer thread while the main thread reads them.
#include "effects.h"
#include "screen.h"

#include <gtest/gtest.h>

#include <thread>

TEST(BounceTimer, TimerThreadMovesTheTilesWithinTheirBounds) {
    ASSERT_EQ(SDL_Init(SDL_INIT_TIMER), 0) << SDL_GetError();
    for (SDL_Surface*& tile : tiles)
        tile = SDL_CreateRGBSurface(0, 30, 30, 16, 0xf800, 0x07e0, 0x001f, 0);
    for (int i = 0; i < kBounceCount; ++i)
        tileX[i] = 10 + 30 * i, tileSpeed[i] = 1;
    ASSERT_EQ(SDL_SetTimer(1, klmr_BounceTick), 0);
    for (int reads = 0; tileX[0] < 15 && reads < 2500; ++reads) { // as the menu, every frame
        for (int i = 0; i < kBounceCount; ++i)
            EXPECT_TRUE(tileX[i] >= 0 && tileX[i] <= 610 && tileAngle[i] >= 0 &&
                        tileAngle[i] < 180);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    SDL_SetTimer(0, nullptr);
    SDL_Quit(); // joins the timer thread: nothing writes the tiles after this
    EXPECT_GE(tileX[0], 15) << "the timer ran at least five ticks in five seconds";
    klmr_FreeImages();
}
