#pragma once
// FontBitmapX: a font drawn from a ready-made grid image, the font name followed by ".png".
// Cell i of the grid (row by row from the top left) holds character 32 + i. Not cached.
#include <cstdint>

#include "assets/FontBaseX.h"

// The creation description of a bitmap font: the grid's columns and rows.
struct FontBitmapArgsX {
  uint32_t mColumns = 0;
  uint32_t mRows = 0;
};

class FontBitmapX : public FontBaseX {
 public:
  explicit FontBitmapX(const StringX& name) : FontBaseX(name) {}

  // `parameters` is a FontBitmapArgsX. Fails when the grid image is missing or the grid empty.
  bool GenerateAsset(const void* parameters) override;

  int GetCharWidth() const override { return static_cast<int>(mCellWidth); }
  int GetCharHeight() const override { return static_cast<int>(mCellHeight); }
  void GetCharRect(CharRectX& rect, char character) const override;
  TextureX* GetTexture() const override { return mTexture; }

 private:
  TextureX* mTexture = nullptr;
  uint32_t mColumns = 0;
  uint32_t mRows = 0;
  float mCellWidth = 0.0f;
  float mCellHeight = 0.0f;
};
