// Shared set-up for the presentation tests: a headless screen, synthetic images and pixel access.
#pragma once

#include "fake_clock.h"
#include "screen.h"
#include "sdl_spy.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace gfxtest {

using Pixels = std::vector<Uint16>; // a 16-bit surface read row by row, without padding

constexpr Uint16 kBackColour = 0x0010; // what backBuffer holds unless a test says otherwise

// A software surface of the screen's format filled with one raw 16-bit value.
SDL_Surface* MakeSurface(int w, int h, Uint16 value);

// The raw value of tile image v - 1 in the synthetic set: distinct, never kBackColour or magenta.
Uint16 TileColour(int v);

// Replaces the sixteen tiles with uniform w x h surfaces of TileColour(1..16).
void UseSyntheticTiles(int w, int h);

Uint16 PixelAt(const SDL_Surface* s, int x, int y);
Pixels Snapshot(const SDL_Surface* s);

// Paints a rectangle into a snapshot of a surface w pixels wide and h high, clipped.
void Paint(Pixels& p, int w, int h, int x, int y, int rw, int rh, Uint16 value);

// The first point where two snapshots of 640-wide surfaces differ, for failure messages.
std::string FirstDifference(const Pixels& a, const Pixels& b, int width = kScreenWidth);

// 64-bit FNV-1a of a snapshot.
uint64_t Hash(const Pixels& p);

// Headless SDL with the 640x480 screen and a back buffer filled with kBackColour, fresh clock
// and call recorder. Images the test installs in the module globals are freed afterwards.
class GfxTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    void ResetScreens(Uint16 back = kBackColour); // backBuffer = back, screen = its copy
};

// GfxTest with the three fonts opened from the generated data/ of the build directory.
class FontTest : public GfxTest {
  protected:
    void SetUp() override;
    void TearDown() override;
};

// A fresh temporary directory made the working directory, with an empty data/gfx and
// data/fonts; the previous working directory comes back, and the directory goes, at the end.
class TempDataDir {
  public:
    TempDataDir();
    ~TempDataDir();
    std::string Path(const std::string& relative) const { return dir_ + "/" + relative; }

  private:
    std::string dir_;
    std::string previous_;
};

} // namespace gfxtest
