#pragma once
// FontBaseX: a font the 2D renderer draws text with. Every character is a pixel rectangle in one
// font texture.
#include <cstdint>

#include "assets/AssetX.h"
#include "assets/BitmapX.h"
#include "assets/TextureX.h"

// The engine's key colour: pixels of this colour become transparent in font and crosshair
// textures (all four bytes 0, black).
inline const ColorX sKeyColorX{0, 0, 0, 0};

// How font and overlay images load: rows turned so the top row comes first, opaque, with the key
// colour transparent.
inline TextureAssetArgsX OverlayImageDescription() {
  TextureAssetArgsX description;
  description.mFlip = 2;  // FlipY
  description.mAlpha = 255;
  description.mColorKey = &sKeyColorX;
  description.mKeyAlpha = 0;
  description.mTextureType = Texture2DX;
  return description;
}

// A character's rectangle in texture pixels, top-left origin.
struct CharRectX {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

class FontBaseX : public AssetX {
 public:
  explicit FontBaseX(const StringX& name) : AssetX(name) {}

  // Width and height of a character cell in pixels.
  virtual int GetCharWidth() const = 0;
  virtual int GetCharHeight() const = 0;
  // The character's pixel rectangle in the texture.
  virtual void GetCharRect(CharRectX& rect, char character) const = 0;
  virtual TextureX* GetTexture() const = 0;
};
