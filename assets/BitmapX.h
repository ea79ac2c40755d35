#pragma once
// The engine's in-memory image. Reads Windows BMP files itself, takes images decoded by the
// image codec (PNG) and raw pixel blocks, and converts everything to 32-bit pixels on which
// resizing, flips, alpha and colour keys work.
//
// Row order: memory row 0 is the image's BOTTOM row, as in a BMP file. Top-down sources
// (top-down BMPs, PNG) are reversed when they are taken over; raw pixel blocks keep their order.
#include <cstdint>
#include <vector>

#include "foundation/ArrayX.h"
#include "foundation/StringX.h"

// One 32-bit pixel: red, green, blue, alpha in memory order.
struct ColorX {
  unsigned char r = 0;
  unsigned char g = 0;
  unsigned char b = 0;
  unsigned char a = 0;

  ColorX() = default;
  ColorX(unsigned char red, unsigned char green, unsigned char blue, unsigned char alpha)
      : r(red), g(green), b(blue), a(alpha) {}
  bool operator==(const ColorX& other) const = default;
  // True when red, green and blue match (alpha is ignored).
  bool SameColor(const ColorX& other) const { return r == other.r && g == other.g && b == other.b; }
};
static_assert(sizeof(ColorX) == 4, "sizeof(ColorX) == 4");

#pragma pack(push, 1)
// The 14-byte BMP file header.
struct BitmapFileHeaderX {
  char bfType[2] = {'B', 'M'};
  uint32_t bfSize = 0;
  uint16_t bfReserved1 = 0;
  uint16_t bfReserved2 = 0;
  uint32_t bfOffBits = 0;
};
// The 40-byte BMP information header.
struct BitmapInfoHeaderX {
  uint32_t biSize = 40;
  int32_t biWidth = 0;
  int32_t biHeight = 0;  // negative for a top-down file
  uint16_t biPlanes = 1;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};
#pragma pack(pop)
static_assert(sizeof(BitmapFileHeaderX) == 14 && sizeof(BitmapInfoHeaderX) == 40);

// An image as an image codec hands it over: rows top-down, `pitch` bytes apart, pixels of
// 24 bits (R,G,B, taken as opaque) or 32 bits (R,G,B,A).
struct CodecImageX {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t bitsPerPixel = 0;
  uint32_t pitch = 0;
  const unsigned char* pixels = nullptr;
};

class BitmapX {
 public:
  // Largest number of pixels a bitmap may hold (the element limit of ArrayX).
  static constexpr uint32_t sMaxPixels = GENERAL_MAX_SIZE - 1;

  // Reads a BMP file. On failure the bitmap stays empty (IsValid() false) and a line is logged.
  explicit BitmapX(const StringX& fileName);
  // Parses a BMP file held in memory (`name` is used for messages).
  BitmapX(const StringX& name, const unsigned char* data, uint32_t size);
  // Takes over an image decoded by the image codec; the result is a 32-bit image.
  explicit BitmapX(const CodecImageX& image, const StringX& name = StringX("BitmapX"));
  // Takes raw, tightly packed pixels: 24 bits are R,G,B (opaque) and 32 bits R,G,B,A per
  // pixel; rows are taken in the given order. The result is a 32-bit image.
  BitmapX(const unsigned char* pixels, uint32_t width, uint32_t height, uint32_t bits);
  // An empty (all zero) 32-bit image named "BitmapX".
  BitmapX(uint32_t width, uint32_t height);

  BitmapX(const BitmapX&) = delete;
  BitmapX& operator=(const BitmapX&) = delete;

  // True when the bitmap holds an image (raw pixels or 32-bit pixels).
  bool IsValid() const { return mRealWidth != 0 && mRealHeight != 0; }
  const StringX& GetName() const { return mName; }
  uint32_t GetWidth() const { return mRealWidth; }
  uint32_t GetHeight() const { return mRealHeight; }
  uint32_t GetBitCount() const { return mBitmapInfoHeader.biBitCount; }
  const BitmapFileHeaderX& GetFileHeader() const { return mBitmapFileHeader; }
  const BitmapInfoHeaderX& GetInfoHeader() const { return mBitmapInfoHeader; }

  // The 32-bit pixels, width x height entries, bottom row first.
  ArrayX<ColorX>& GetBitmap32Bit();
  const ArrayX<ColorX>& GetBitmap32Bit() const;

  // Builds the 32-bit image from the pixels as read; nothing when it exists. Alpha is 0.
  bool ConvertInto32Bitmap();

  // Writes a 24-bit BMP file (folders are created).
  bool Save(const StringX& fileName) const;

  ColorX GetPixel(uint32_t x, uint32_t y) const;
  void SetPixel(uint32_t x, uint32_t y, const ColorX& color);

  // Rescales by pixel replication; false (image unchanged) when the new size is not allowed.
  bool ChangeSize(uint32_t newWidth, uint32_t newHeight);
  void FlipX();
  void FlipY();
  void FlipXY();
  void SetAlpha(unsigned char alpha);
  // Gives every pixel of `color` (red, green, blue) the alpha `alpha`; alpha 0 also blacks
  // it out. `allKeyed` tells whether every pixel was keyed with alpha 0. Returns whether any
  // pixel matched.
  bool ColorKey(const ColorX& color, unsigned char alpha, bool& allKeyed);

  bool operator==(const BitmapX& other) const;
  bool operator!=(const BitmapX& other) const { return !(*this == other); }
  bool operator<(const BitmapX& other) const;
  bool operator>(const BitmapX& other) const { return other < *this; }

  // Bytes of one BMP row of `width` pixels at `bits` per pixel, padded to 4 bytes.
  static uint32_t GetBytesPerRow(uint32_t width, uint32_t bits);
  static uint32_t GetNumberOfPaddingBytes(uint32_t width, uint32_t bits);

 private:
  bool ReadFromMemory(const unsigned char* data, uint32_t size);
  bool ReadHeaders(const unsigned char* data, uint32_t size);
  bool ReadColorTable(const unsigned char* data, uint32_t size);
  bool ReadPixelRows(const unsigned char* data, uint32_t size);
  uint32_t GetNumberOfBytesPrPixelFromBits(uint32_t bits) const;

  bool ConverInto32BitmapFrom2Bit();
  bool ConverInto32BitmapFrom4Bit();
  bool ConverInto32BitmapFrom8Bit();
  bool ConverInto32BitmapFrom24Bit();
  bool ConverInto32BitmapFrom32Bit();
  bool ConvertPaletteRows(uint32_t bits);
  // Sizes the 32-bit image for width x height pixels (false when too large).
  bool Allocate32Bit(uint32_t width, uint32_t height, ColorX fill);
  void Describe32BitImage();
  void DescribeAs24BitFile();
  void Clear();

  BitmapFileHeaderX mBitmapFileHeader;
  BitmapInfoHeaderX mBitmapInfoHeader;
  StringX mName;
  std::vector<unsigned char> mPixelData;  // rows as read, bottom row first
  ArrayX<ColorX> mColorData;              // colour table (R,G,B,0)
  ArrayX<ColorX> mColor32Bitmap;
  uint32_t mRealWidth = 0;
  uint32_t mRealHeight = 0;
};
