// An 8-bit RGBA image with the few drawing helpers the painters need, and its PNG and
// 24-bit BMP encodings. Row 0 is the top row, as a person sees the picture.
#pragma once

#include <cstdint>
#include <vector>

namespace kxres {

struct Rgba {
  uint8_t r = 0, g = 0, b = 0, a = 255;
};

class Image {
 public:
  Image(int width, int height, Rgba fill = {});

  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  Rgba Get(int x, int y) const;
  void Set(int x, int y, Rgba c);  // ignores pixels outside the image
  // Mixes c over the pixel with weight t in [0, 1] (alpha of the pixel is kept unless c is opaque).
  void Blend(int x, int y, Rgba c, float t);
  void FillRect(int x0, int y0, int x1, int y1, Rgba c);  // x1, y1 exclusive
  const std::vector<uint8_t>& Pixels() const { return mPixels; }

 private:
  int mWidth, mHeight;
  std::vector<uint8_t> mPixels;
};

// PNG, 8 bits per channel, RGBA (or RGB when every pixel is opaque).
std::vector<uint8_t> EncodePng(const Image& image);
// Windows BMP: 14-byte file header, 40-byte info header, 24-bit rows bottom-up, padded to 4.
std::vector<uint8_t> EncodeBmp24(const Image& image);

}  // namespace kxres
