#include "FontPainter.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <stdexcept>

namespace kxres {

Image FontPainter::Grid(const std::string& fontFile, int cellWidth, int cellHeight, Rgba colour) {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  if (FT_Init_FreeType(&library)) throw std::runtime_error("FreeType cannot start");
  if (FT_New_Face(library, fontFile.c_str(), 0, &face)) {
    FT_Done_FreeType(library);
    throw std::runtime_error("cannot open font " + fontFile);
  }
  FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(cellHeight * 3 / 4));
  const int ascender = static_cast<int>(face->size->metrics.ascender >> 6);
  const int descender = static_cast<int>(-face->size->metrics.descender >> 6);
  const int baselineInCell = (cellHeight - (ascender + descender)) / 2 + ascender;

  Image image(cellWidth * kFontColumns, cellHeight * kFontRows, {0, 0, 0, 255});
  for (int index = 0; index < kFontColumns * kFontRows; ++index) {
    const int code = kFontFirstChar + index;
    if (FT_Load_Char(face, static_cast<FT_ULong>(code), FT_LOAD_RENDER)) continue;
    const FT_GlyphSlot glyph = face->glyph;
    const int cellX = (index % kFontColumns) * cellWidth,
              cellY = (index / kFontColumns) * cellHeight;
    const int advance = static_cast<int>(glyph->advance.x >> 6);
    const int originX = cellX + (cellWidth - advance) / 2 + glyph->bitmap_left;
    const int originY = cellY + baselineInCell - glyph->bitmap_top;
    for (unsigned y = 0; y < glyph->bitmap.rows; ++y)
      for (unsigned x = 0; x < glyph->bitmap.width; ++x) {
        const int px = originX + static_cast<int>(x), py = originY + static_cast<int>(y);
        // Keep every glyph inside its own cell.
        if (px < cellX || px >= cellX + cellWidth || py < cellY || py >= cellY + cellHeight)
          continue;
        const float coverage = glyph->bitmap.buffer[y * glyph->bitmap.pitch + x] / 255.0f;
        image.Blend(px, py, colour, coverage);
      }
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  return image;
}

}  // namespace kxres
