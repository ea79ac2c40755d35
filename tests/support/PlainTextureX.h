#pragma once
// A texture of one colour, size x size pixels, made from raw pixels through the running asset
// manager (null when it could not be made).
#include <cstdint>
#include <string>
#include <vector>

#include "assets/AssetManagerBaseX.h"
#include "assets/TextureX.h"

inline TextureX* PlainTexture(const std::string& name, uint8_t r, uint8_t g, uint8_t b,
                              uint32_t size = 8) {
  std::vector<unsigned char> pixels;
  for (uint32_t i = 0; i < size * size; ++i) pixels.insert(pixels.end(), {r, g, b});
  TextureAssetArgsX args;
  args.mBitmap = pixels.data();
  args.mWidth = args.mHeight = size;
  args.mBits = 24;
  return GetAssetImpl<TextureX>(StringX(name.c_str()), &args);
}
