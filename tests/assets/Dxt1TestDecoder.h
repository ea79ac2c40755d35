#pragma once
// Decodes DXT1 blocks with libsquish so tests can check what the engine's compressor wrote.
#include <squish.h>

#include <cstdint>
#include <vector>

#include "assets/BitmapX.h"

// width x height pixels from blocks in row order; blocks overhanging the right or bottom edge
// are cut.
inline std::vector<ColorX> DecompressDXT1Blocks(const unsigned char* blocks, uint32_t width,
                                                uint32_t height) {
  std::vector<ColorX> pixels(width * height);
  const uint32_t blocksX = (width + 3) / 4;
  for (uint32_t by = 0; by < (height + 3) / 4; ++by) {
    for (uint32_t bx = 0; bx < blocksX; ++bx) {
      ColorX block[16];
      squish::Decompress(reinterpret_cast<squish::u8*>(block), blocks + (by * blocksX + bx) * 8,
                         squish::kDxt1);
      for (uint32_t i = 0; i < 16; ++i) {
        const uint32_t x = bx * 4 + i % 4, y = by * 4 + i / 4;
        if (x < width && y < height) pixels[y * width + x] = block[i];
      }
    }
  }
  return pixels;
}
