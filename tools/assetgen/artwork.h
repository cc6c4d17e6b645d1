// The game's pictures: tiles, background, wordmark, selection bar, cursor strip and icons.
#pragma once

#include "canvas.h"

#include <string>

namespace assetgen {

inline constexpr int kTileCount = 16;
inline constexpr int kTileSize = 32;
inline constexpr int kCursorFrames = 6;
inline constexpr int kCursorSize = 64;

// Tile `index` (0..15, drawn for cell value index + 1) at `size` pixels square, opaque.
Canvas DrawTile(int index, int size = kTileSize);

// A seamless square texture, light and calm enough for the game's texts.
Canvas DrawBackground();
// The average colour of the background: the matte the keyed images are blended onto.
Color BackgroundMatte();

// The wordmark "Kelmora" drawn with the font at fontPath; empty canvas when it cannot be drawn.
Canvas DrawLogo(const std::string& fontPath);

// The menu's selection bar, transparent outside its shape.
Canvas DrawSelectBar();

// Six 64 x 64 cursor frames side by side, from calm (0) to strongest (5), transparent inside.
Canvas DrawCursorStrip();

// The application icon at `size` pixels square, with alpha.
Canvas DrawIcon(int size);

} // namespace assetgen
