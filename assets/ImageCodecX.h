#pragma once
// The image codec: decodes PNG files (held in memory) into 8-bit R,G,B,A pixels, top row
// first, for BitmapX to take over.
#include <cstdint>
#include <vector>

#include "assets/BitmapX.h"

class DecodedImageX {
 public:
  // Decodes `size` bytes of a PNG file. On failure returns false and leaves the image empty;
  // `error` then names the reason. Images larger than BitmapX can hold are refused before any
  // pixel memory is allocated.
  bool DecodePng(const unsigned char* data, uint64_t size, StringX& error);

  bool Empty() const { return mPixels.empty(); }
  // The decoded image as the codec hands it to BitmapX (32 bits, top row first).
  CodecImageX GetImage() const;

  // True when `data` starts with the PNG signature.
  static bool IsPng(const unsigned char* data, uint64_t size);

 private:
  uint32_t mWidth = 0;
  uint32_t mHeight = 0;
  std::vector<unsigned char> mPixels;
};
