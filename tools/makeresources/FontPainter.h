// Bitmap-font grid pictures: characters 32 to 91 in 10 columns and 6 rows, white glyphs on
// black (the engine keys black out), rendered with FreeType from a monospaced TrueType font.
#pragma once

#include <string>

#include "Image.h"

namespace kxres {

constexpr int kFontColumns = 10;
constexpr int kFontRows = 6;
constexpr int kFontFirstChar = 32;

class FontPainter {
 public:
  // Throws std::runtime_error when the font file cannot be used.
  static Image Grid(const std::string& fontFile, int cellWidth, int cellHeight, Rgba colour);
};

}  // namespace kxres
