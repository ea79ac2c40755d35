#include "assets/BitmapX.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "engine/ReportHooksX.h"
#include "streams/BinaryReaderX.h"
#include "streams/BinaryWriterX.h"

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kBiRgb = 0;

void Log(const StringX& text) { LogMessage(text.GetCharArray()); }

StringX SizeText(uint32_t width, uint32_t height) {
  return StringX(" (") + width + "x" + height + ")";
}

// Pixel counts per source column (or row) for a rescale from `oldSize` to `newSize`: with
// r = newSize / oldSize, column i is repeated floor(a_i) times, where a_0 = r and the fraction
// is carried on (a_i+1 = a_i - c_i + r). In exact arithmetic c_i = floor((i+1) r) - floor(i r),
// which is what is computed here, so the counts always add up to `newSize`.
std::vector<uint32_t> ReplicationCounts(uint32_t oldSize, uint32_t newSize) {
  std::vector<uint32_t> counts(oldSize);
  for (uint32_t i = 0; i < oldSize; ++i) {
    counts[i] = static_cast<uint32_t>((uint64_t{i + 1} * newSize) / oldSize -
                                      (uint64_t{i} * newSize) / oldSize);
  }
  return counts;
}

}  // namespace

BitmapX::BitmapX(const StringX& fileName) : mName(fileName) {
  BinaryReaderX reader;
  if (!reader.Open(fileName) || !reader.IsOpen()) {
    Log(StringX("Could not open bitmap ") + fileName);
    return;
  }
  if (!reader.GetData() || !ReadFromMemory(reader.GetData(), reader.GetSize())) Clear();
}

BitmapX::BitmapX(const StringX& name, const unsigned char* data, uint32_t size) : mName(name) {
  if (!data || !ReadFromMemory(data, size)) Clear();
}

BitmapX::BitmapX(const CodecImageX& image, const StringX& name) : mName(name) {
  const uint32_t bytesPerPixel = image.bitsPerPixel / 8;
  if (image.bitsPerPixel != 24 && image.bitsPerPixel != 32) {
    KX_ASSERT_MSG(false, "BitmapX::BitmapX", "Unsupported bitdepth, should not happen");
    return;
  }
  if (!image.pixels || static_cast<uint64_t>(image.pitch) < uint64_t{image.width} * bytesPerPixel ||
      !Allocate32Bit(image.width, image.height, ColorX())) {
    Log(StringX("Bad decoded image ") + name);
    Clear();
    return;
  }
  for (uint32_t y = 0; y < mRealHeight; ++y) {
    // The codec delivers the top row first; memory row 0 is the bottom row.
    const unsigned char* src = image.pixels + uint64_t{mRealHeight - 1 - y} * image.pitch;
    ColorX* dst = &mColor32Bitmap[y * mRealWidth];
    for (uint32_t x = 0; x < mRealWidth; ++x, src += bytesPerPixel) {
      dst[x] = ColorX(src[0], src[1], src[2], bytesPerPixel == 4 ? src[3] : 255);
    }
  }
  Describe32BitImage();
}

BitmapX::BitmapX(const unsigned char* pixels, uint32_t width, uint32_t height, uint32_t bits)
    : mName("BitmapX") {
  if (bits != 24 && bits != 32) {
    KX_ASSERT_MSG(false, "BitmapX::BitmapX", "Unsupported bitdepth, should not happen");
    return;
  }
  if (!pixels || !Allocate32Bit(width, height, ColorX())) {
    Log(StringX("Bad raw pixels for BitmapX") + SizeText(width, height));
    Clear();
    return;
  }
  const uint32_t bytesPerPixel = bits / 8;
  const unsigned char* src = pixels;
  for (uint32_t i = 0; i < width * height; ++i, src += bytesPerPixel) {
    // Pixels without alpha are opaque: a DXT1 block treats alpha below 128 as transparent.
    mColor32Bitmap[i] = ColorX(src[0], src[1], src[2], bytesPerPixel == 4 ? src[3] : 255);
  }
  Describe32BitImage();
}

BitmapX::BitmapX(uint32_t width, uint32_t height) : mName("BitmapX") {
  if (!Allocate32Bit(width, height, ColorX())) {
    Clear();
    return;
  }
  Describe32BitImage();
}

ArrayX<ColorX>& BitmapX::GetBitmap32Bit() {
  KX_ASSERT(mColor32Bitmap.Size() == (GetWidth() * GetHeight()), "BitmapX::GetBitmap32Bit");
  return mColor32Bitmap;
}

const ArrayX<ColorX>& BitmapX::GetBitmap32Bit() const {
  KX_ASSERT(mColor32Bitmap.Size() == (GetWidth() * GetHeight()), "BitmapX::GetBitmap32Bit");
  return mColor32Bitmap;
}

// ---------------------------------------------------------------------------------------------
// BMP reading

bool BitmapX::ReadFromMemory(const unsigned char* data, uint32_t size) {
  return ReadHeaders(data, size) && ReadColorTable(data, size) && ReadPixelRows(data, size);
}

bool BitmapX::ReadHeaders(const unsigned char* data, uint32_t size) {
  if (size < kFileHeaderSize + kInfoHeaderSize) {
    Log(StringX("Bitmap header truncated: ") + mName);
    return false;
  }
  std::memcpy(&mBitmapFileHeader, data, kFileHeaderSize);
  std::memcpy(&mBitmapInfoHeader, data + kFileHeaderSize, kInfoHeaderSize);
  if (mBitmapFileHeader.bfType[0] != 'B' || mBitmapFileHeader.bfType[1] != 'M') {
    Log(StringX("Not a BMP file: ") + mName);
    return false;
  }

  const BitmapInfoHeaderX& info = mBitmapInfoHeader;
  if (info.biSize < kInfoHeaderSize || info.biSize > size - kFileHeaderSize) {
    Log(StringX("Bad bitmap information header: ") + mName);
    return false;
  }
  const int64_t height = info.biHeight;
  if (info.biWidth <= 0 || height == 0 ||
      uint64_t(info.biWidth) * uint64_t(height < 0 ? -height : height) > sMaxPixels) {
    Log(StringX("Bitmap size not supported: ") + mName);
    return false;
  }
  if (GetNumberOfBytesPrPixelFromBits(info.biBitCount) == 0) return false;
  if (info.biCompression != kBiRgb) {
    Log(StringX("Compressed bitmaps are not supported: ") + mName);
    return false;
  }
  return true;
}

bool BitmapX::ReadColorTable(const unsigned char* data, uint32_t size) {
  KX_ASSERT(mColorData.Empty(), "BitmapX::ReadColorTable");
  mColorData.Clear();
  uint32_t entries = 0;
  switch (mBitmapInfoHeader.biBitCount) {
    case 1:
      entries = 2;
      break;
    case 4:
      entries = 16;
      break;
    case 8:
      entries = 256;
      break;
    case 24:
    case 32:
      return true;
    default:
      KX_ASSERT_MSG(false, "BitmapX::ReadColorTable", "Unknown colorTable format");
      return false;
  }
  // A file may store fewer entries than its depth allows; the others stay black.
  const uint32_t used = mBitmapInfoHeader.biClrUsed;
  const uint32_t stored = (used > 0 && used < entries) ? used : entries;
  const uint64_t tableStart = uint64_t{kFileHeaderSize} + mBitmapInfoHeader.biSize;
  if (tableStart + uint64_t{stored} * 4 > size) {
    Log(StringX("Bitmap colour table truncated: ") + mName);
    return false;
  }
  mColorData.Resize(entries);
  const unsigned char* entry = data + tableStart;
  for (uint32_t i = 0; i < stored; ++i, entry += 4) {
    // Stored as blue, green, red, reserved.
    mColorData[i] = ColorX(entry[2], entry[1], entry[0], 0);
  }
  return true;
}

bool BitmapX::ReadPixelRows(const unsigned char* data, uint32_t size) {
  const uint32_t width = static_cast<uint32_t>(mBitmapInfoHeader.biWidth);
  const bool topDown = mBitmapInfoHeader.biHeight < 0;
  const uint32_t height = static_cast<uint32_t>(topDown ? -int64_t{mBitmapInfoHeader.biHeight}
                                                        : int64_t{mBitmapInfoHeader.biHeight});
  const uint32_t bits = mBitmapInfoHeader.biBitCount;
  const uint64_t rowBytes = GetBytesPerRow(width, bits);
  const uint64_t offset = mBitmapFileHeader.bfOffBits;
  if (offset < kFileHeaderSize + kInfoHeaderSize || offset + rowBytes * height > size) {
    Log(StringX("Bitmap pixel data truncated or misplaced: ") + mName);
    return false;
  }
  mPixelData.resize(rowBytes * height);
  for (uint32_t y = 0; y < height; ++y) {
    // Keep the bottom row first in memory, whatever order the file uses.
    const uint32_t fileRow = topDown ? height - 1 - y : y;
    std::memcpy(&mPixelData[y * rowBytes], data + offset + fileRow * rowBytes, rowBytes);
  }
  mBitmapInfoHeader.biHeight = static_cast<int32_t>(height);
  mRealWidth = width;
  mRealHeight = height;
  return true;
}

uint32_t BitmapX::GetNumberOfBytesPrPixelFromBits(uint32_t bits) const {
  switch (bits) {
    case 1:
    case 4:
    case 8:
      return 1;
    case 24:
      return 3;
    case 32:
      return 4;
    default:
      AssertFailed(
          __FILE__, "BitmapX::GetNumberOfBytesPrPixelFromBits", __LINE__,
          (StringX("GetNumberOfBytesFromBits failed due to unknown number of bits : name :") +
           mName)
              .GetCharArray());
      return 0;
  }
}

uint32_t BitmapX::GetBytesPerRow(uint32_t width, uint32_t bits) {
  switch (bits) {
    case 1:
    case 4:
    case 8:
    case 24:
    case 32:
      return static_cast<uint32_t>((uint64_t{width} * bits + 31) / 32 * 4);
    default:
      KX_ASSERT_MSG(false, "BitmapX::GetBytesPerRow", "Unknown bit format");
      return 0;
  }
}

uint32_t BitmapX::GetNumberOfPaddingBytes(uint32_t width, uint32_t bits) {
  const uint64_t used = (uint64_t{width} * bits + 7) / 8;
  const uint32_t row = GetBytesPerRow(width, bits);
  KX_ASSERT_MSG(row >= used, "BitmapX::GetNumberOfPaddingBytes", "Can't happen");
  return row >= used ? static_cast<uint32_t>(row - used) : 0;
}

// ---------------------------------------------------------------------------------------------
// Conversion to 32 bits

bool BitmapX::ConvertInto32Bitmap() {
  if (!mColor32Bitmap.Empty()) return true;
  const uint32_t bits = mBitmapInfoHeader.biBitCount;
  const bool palette = bits <= 8;
  const bool complete = !mPixelData.empty() && (!palette || !mColorData.Empty());
  KX_ASSERT_MSG(complete, "BitmapX::ConvertInto32Bitmap",
                "!mPixelData.Empty() && !mColorData.Empty()");
  if (!complete) return false;
  bool converted = false;
  switch (bits) {
    case 1:
      converted = ConverInto32BitmapFrom2Bit();
      break;
    case 4:
      converted = ConverInto32BitmapFrom4Bit();
      break;
    case 8:
      converted = ConverInto32BitmapFrom8Bit();
      break;
    case 24:
      converted = ConverInto32BitmapFrom24Bit();
      break;
    case 32:
      converted = ConverInto32BitmapFrom32Bit();
      break;
    default:
      KX_ASSERT_MSG(false, "BitmapX::ConvertInto32Bitmap", "Unknown bit format");
      break;
  }
  if (!converted) return false;
  mPixelData.clear();
  mPixelData.shrink_to_fit();
  mColorData.Clear();
  DescribeAs24BitFile();
  return true;
}

bool BitmapX::ConverInto32BitmapFrom2Bit() { return ConvertPaletteRows(1); }
bool BitmapX::ConverInto32BitmapFrom4Bit() { return ConvertPaletteRows(4); }
bool BitmapX::ConverInto32BitmapFrom8Bit() { return ConvertPaletteRows(8); }

bool BitmapX::ConvertPaletteRows(uint32_t bits) {
  const uint32_t width = mRealWidth, height = mRealHeight;
  const uint32_t rowBytes = GetBytesPerRow(width, bits);
  if (!Allocate32Bit(width, height, ColorX())) return false;
  const uint32_t mask = (1u << bits) - 1;
  const uint32_t perByte = 8 / bits;
  for (uint32_t y = 0; y < height; ++y) {
    const unsigned char* row = &mPixelData[y * rowBytes];
    ColorX* dst = &mColor32Bitmap[y * width];
    for (uint32_t x = 0; x < width; ++x) {
      const uint32_t shift = 8 - bits * (x % perByte + 1);
      const uint32_t index = (row[x / perByte] >> shift) & mask;
      // Indices past the stored table are black.
      dst[x] = index < mColorData.Size() ? mColorData[index] : ColorX();
      dst[x].a = 0;
    }
  }
  return true;
}

bool BitmapX::ConverInto32BitmapFrom24Bit() {
  const uint32_t width = mRealWidth, height = mRealHeight;
  const uint32_t rowBytes = GetBytesPerRow(width, 24);
  if (!Allocate32Bit(width, height, ColorX())) return false;
  for (uint32_t y = 0; y < height; ++y) {
    const unsigned char* src = &mPixelData[y * rowBytes];
    ColorX* dst = &mColor32Bitmap[y * width];
    for (uint32_t x = 0; x < width; ++x, src += 3) dst[x] = ColorX(src[2], src[1], src[0], 0);
  }
  return true;
}

bool BitmapX::ConverInto32BitmapFrom32Bit() {
  const uint32_t width = mRealWidth, height = mRealHeight;
  if (!Allocate32Bit(width, height, ColorX())) return false;
  const unsigned char* src = mPixelData.data();
  for (uint32_t i = 0; i < width * height; ++i, src += 4) {
    mColor32Bitmap[i] = ColorX(src[2], src[1], src[0], 0);
  }
  return true;
}

bool BitmapX::Allocate32Bit(uint32_t width, uint32_t height, ColorX fill) {
  if (width == 0 || height == 0 || uint64_t{width} * height > sMaxPixels) {
    Log(StringX("Bitmap size not supported: ") + mName + SizeText(width, height));
    return false;
  }
  mColor32Bitmap.Clear();
  mColor32Bitmap.Resize(width * height);
  if (fill != ColorX()) {
    for (ColorX& pixel : mColor32Bitmap) pixel = fill;
  }
  mRealWidth = width;
  mRealHeight = height;
  return true;
}

void BitmapX::Describe32BitImage() {
  mBitmapFileHeader = BitmapFileHeaderX();
  mBitmapInfoHeader = BitmapInfoHeaderX();
  mBitmapInfoHeader.biWidth = static_cast<int32_t>(mRealWidth);
  mBitmapInfoHeader.biHeight = static_cast<int32_t>(mRealHeight);
  mBitmapInfoHeader.biBitCount = 32;
  mBitmapInfoHeader.biSizeImage = mRealWidth * mRealHeight * 4;
  mBitmapFileHeader.bfOffBits = kFileHeaderSize + kInfoHeaderSize;
  mBitmapFileHeader.bfSize = mBitmapFileHeader.bfOffBits + mBitmapInfoHeader.biSizeImage;
}

void BitmapX::DescribeAs24BitFile() {
  const uint32_t imageBytes = GetBytesPerRow(mRealWidth, 24) * mRealHeight;
  mBitmapFileHeader.bfType[0] = 'B';
  mBitmapFileHeader.bfType[1] = 'M';
  mBitmapFileHeader.bfOffBits = kFileHeaderSize + kInfoHeaderSize;
  mBitmapFileHeader.bfSize = mBitmapFileHeader.bfOffBits + imageBytes;
  mBitmapInfoHeader.biSize = kInfoHeaderSize;
  mBitmapInfoHeader.biWidth = static_cast<int32_t>(mRealWidth);
  mBitmapInfoHeader.biHeight = static_cast<int32_t>(mRealHeight);
  mBitmapInfoHeader.biBitCount = 24;
  mBitmapInfoHeader.biCompression = kBiRgb;
  mBitmapInfoHeader.biSizeImage = imageBytes;
  mBitmapInfoHeader.biClrUsed = 0;
  mBitmapInfoHeader.biClrImportant = 0;
}

void BitmapX::Clear() {
  mPixelData.clear();
  mColorData.Clear();
  mColor32Bitmap.Clear();
  mRealWidth = mRealHeight = 0;
}

// ---------------------------------------------------------------------------------------------
// Saving

bool BitmapX::Save(const StringX& fileName) const {
  if (mColor32Bitmap.Empty()) {
    Log(StringX("Nothing to save for bitmap ") + mName);
    return false;
  }
  // The file always holds 24-bit rows, so its size fields are those of a 24-bit image.
  BitmapFileHeaderX fileHeader = mBitmapFileHeader;
  BitmapInfoHeaderX infoHeader = mBitmapInfoHeader;
  const uint32_t rowBytes = GetBytesPerRow(mRealWidth, 24);
  fileHeader.bfType[0] = 'B';
  fileHeader.bfType[1] = 'M';
  fileHeader.bfOffBits = kFileHeaderSize + kInfoHeaderSize;
  fileHeader.bfSize = fileHeader.bfOffBits + rowBytes * mRealHeight;
  infoHeader.biSize = kInfoHeaderSize;
  infoHeader.biWidth = static_cast<int32_t>(mRealWidth);
  infoHeader.biHeight = static_cast<int32_t>(mRealHeight);
  infoHeader.biBitCount = 24;
  infoHeader.biCompression = kBiRgb;
  infoHeader.biSizeImage = rowBytes * mRealHeight;
  infoHeader.biClrUsed = infoHeader.biClrImportant = 0;

  std::vector<unsigned char> file(fileHeader.bfSize, 0);
  std::memcpy(file.data(), &fileHeader, kFileHeaderSize);
  std::memcpy(file.data() + kFileHeaderSize, &infoHeader, kInfoHeaderSize);
  for (uint32_t y = 0; y < mRealHeight; ++y) {
    unsigned char* dst = file.data() + fileHeader.bfOffBits + y * rowBytes;
    const ColorX* src = &mColor32Bitmap[y * mRealWidth];
    for (uint32_t x = 0; x < mRealWidth; ++x, dst += 3) {
      dst[0] = src[x].b;
      dst[1] = src[x].g;
      dst[2] = src[x].r;
    }
  }
  BinaryWriterX writer(fileName, true);
  writer.Write(file.data(), static_cast<uint32_t>(file.size()));
  writer.WritePending();
  return writer.IsOpen() && !writer.HasFailed();
}

// ---------------------------------------------------------------------------------------------
// Pixel operations

ColorX BitmapX::GetPixel(uint32_t x, uint32_t y) const {
  const bool inside = !mColor32Bitmap.Empty() && x < mRealWidth && y < mRealHeight;
  KX_ASSERT(!mColor32Bitmap.Empty() && x < mRealWidth && y < mRealHeight, "BitmapX::GetPixel");
  return inside ? mColor32Bitmap[y * mRealWidth + x] : ColorX();
}

void BitmapX::SetPixel(uint32_t x, uint32_t y, const ColorX& color) {
  // Strictly inside: x == width would write into the next row or past the image.
  const bool inside = !mColor32Bitmap.Empty() && x < mRealWidth && y < mRealHeight;
  KX_ASSERT(!mColor32Bitmap.Empty() && x < mRealWidth && y < mRealHeight, "BitmapX::SetPixel");
  if (inside) mColor32Bitmap[y * mRealWidth + x] = color;
}

bool BitmapX::ChangeSize(uint32_t newWidth, uint32_t newHeight) {
  if (newWidth == mRealWidth && newHeight == mRealHeight) return true;
  if (mColor32Bitmap.Empty() || newWidth == 0 || newHeight == 0 ||
      uint64_t{newWidth} * newHeight > sMaxPixels) {
    Log(StringX("Bitmap size not supported: ") + mName + SizeText(newWidth, newHeight));
    return false;
  }
  const std::vector<uint32_t> columns = ReplicationCounts(mRealWidth, newWidth);
  const std::vector<uint32_t> rows = ReplicationCounts(mRealHeight, newHeight);
  ArrayX<ColorX> resized;
  resized.Resize(newWidth * newHeight);
  for (ColorX& pixel : resized) pixel = ColorX(0, 0, 0, 255);

  uint32_t dstY = 0;
  for (uint32_t y = 0; y < mRealHeight; ++y) {
    for (uint32_t repeatY = 0; repeatY < rows[y]; ++repeatY, ++dstY) {
      ColorX* dst = &resized[dstY * newWidth];
      const ColorX* src = &mColor32Bitmap[y * mRealWidth];
      uint32_t dstX = 0;
      for (uint32_t x = 0; x < mRealWidth; ++x) {
        for (uint32_t repeatX = 0; repeatX < columns[x]; ++repeatX) dst[dstX++] = src[x];
      }
    }
  }
  mColor32Bitmap = std::move(resized);
  mRealWidth = newWidth;
  mRealHeight = newHeight;
  mBitmapInfoHeader.biWidth = static_cast<int32_t>(newWidth);
  mBitmapInfoHeader.biHeight = static_cast<int32_t>(newHeight);
  return true;
}

void BitmapX::FlipX() {
  for (uint32_t y = 0; y < mRealHeight; ++y) {
    ColorX* row = &mColor32Bitmap[y * mRealWidth];
    std::reverse(row, row + mRealWidth);
  }
}

void BitmapX::FlipY() {
  for (uint32_t y = 0; y < mRealHeight / 2; ++y) {
    ColorX* top = &mColor32Bitmap[y * mRealWidth];
    ColorX* bottom = &mColor32Bitmap[(mRealHeight - 1 - y) * mRealWidth];
    std::swap_ranges(top, top + mRealWidth, bottom);
  }
}

void BitmapX::FlipXY() {
  FlipX();
  FlipY();
}

void BitmapX::SetAlpha(unsigned char alpha) {
  for (ColorX& pixel : mColor32Bitmap) pixel.a = alpha;
}

bool BitmapX::ColorKey(const ColorX& color, unsigned char alpha, bool& allKeyed) {
  uint32_t keyed = 0;
  for (ColorX& pixel : mColor32Bitmap) {
    if (!pixel.SameColor(color)) continue;
    pixel = alpha == 0 ? ColorX(0, 0, 0, 0) : ColorX(pixel.r, pixel.g, pixel.b, alpha);
    ++keyed;
  }
  allKeyed = alpha == 0 && keyed != 0 && keyed == mColor32Bitmap.Size();
  return keyed != 0;
}

bool BitmapX::operator==(const BitmapX& other) const {
  return mRealWidth == other.mRealWidth && mRealHeight == other.mRealHeight &&
         mColor32Bitmap.Size() == other.mColor32Bitmap.Size() &&
         (mColor32Bitmap.Empty() ||
          std::memcmp(mColor32Bitmap.begin(), other.mColor32Bitmap.begin(),
                      mColor32Bitmap.Size() * sizeof(ColorX)) == 0);
}

bool BitmapX::operator<(const BitmapX& other) const {
  if (mRealWidth != other.mRealWidth) return mRealWidth < other.mRealWidth;
  if (mRealHeight != other.mRealHeight) return mRealHeight < other.mRealHeight;
  if (mColor32Bitmap.Size() != other.mColor32Bitmap.Size())
    return mColor32Bitmap.Size() < other.mColor32Bitmap.Size();
  if (mColor32Bitmap.Empty()) return false;
  return std::memcmp(mColor32Bitmap.begin(), other.mColor32Bitmap.begin(),
                     mColor32Bitmap.Size() * sizeof(ColorX)) < 0;
}
