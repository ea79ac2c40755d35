#pragma once
// Builders for small BMP, PNG and wall-texture (WAL) files used by the bitmap, texture and
// loader tests.
#include <png.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "assets/BitmapX.h"

struct RgbX {
  uint8_t r, g, b;
};

// A BMP file: `rows` holds the raw pixel bytes of each row in FILE order, unpadded (palette
// indices packed at `bits` per pixel, or B,G,R(,X) bytes). `height` < 0 makes a top-down file.
inline std::vector<uint8_t> MakeBmp(int32_t width, int32_t height, uint16_t bits,
                                    const std::vector<RgbX>& palette,
                                    const std::vector<std::vector<uint8_t>>& rows) {
  const uint32_t rowBytes = BitmapX::GetBytesPerRow(static_cast<uint32_t>(width), bits);
  const uint32_t offset = 54 + static_cast<uint32_t>(palette.size()) * 4;
  BitmapFileHeaderX file;
  BitmapInfoHeaderX info;
  info.biWidth = width;
  info.biHeight = height;
  info.biBitCount = bits;
  info.biSizeImage = rowBytes * static_cast<uint32_t>(rows.size());
  info.biClrUsed = static_cast<uint32_t>(palette.size());
  file.bfOffBits = offset;
  file.bfSize = offset + info.biSizeImage;
  std::vector<uint8_t> bytes(file.bfSize, 0);
  std::memcpy(bytes.data(), &file, 14);
  std::memcpy(bytes.data() + 14, &info, 40);
  for (size_t i = 0; i < palette.size(); ++i) {
    bytes[54 + i * 4 + 0] = palette[i].b;
    bytes[54 + i * 4 + 1] = palette[i].g;
    bytes[54 + i * 4 + 2] = palette[i].r;
  }
  for (size_t y = 0; y < rows.size(); ++y) {
    std::memcpy(bytes.data() + offset + y * rowBytes, rows[y].data(), rows[y].size());
  }
  return bytes;
}

// A 24-bit BMP of solid colour.
inline std::vector<uint8_t> MakeSolidBmp(int32_t width, int32_t height, RgbX color) {
  std::vector<std::vector<uint8_t>> rows(static_cast<size_t>(height));
  for (auto& row : rows) {
    for (int32_t x = 0; x < width; ++x) row.insert(row.end(), {color.b, color.g, color.r});
  }
  return MakeBmp(width, height, 24, {}, rows);
}

// A PNG file of width * height RGBA pixels (4 bytes each) given top row first.
inline std::vector<uint8_t> MakePng(uint32_t width, uint32_t height, const void* rgbaTopDown) {
  png_image image;
  std::memset(&image, 0, sizeof(image));
  image.version = PNG_IMAGE_VERSION;
  image.width = width;
  image.height = height;
  image.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&image, nullptr, &size, 0, rgbaTopDown, 0, nullptr);
  std::vector<uint8_t> bytes(size);
  png_image_write_to_memory(&image, bytes.data(), &size, 0, rgbaTopDown, 0, nullptr);
  bytes.resize(size);
  return bytes;
}

inline std::vector<uint8_t> MakePng(uint32_t width, uint32_t height,
                                    const std::vector<uint8_t>& rgbaTopDown) {
  return MakePng(width, height, static_cast<const void*>(rgbaTopDown.data()));
}

// A 100-byte wall-texture header of the given size, surface flags and contents.
inline std::vector<uint8_t> WalHeader(uint32_t width, uint32_t height, uint32_t flags,
                                      uint32_t contents) {
  std::vector<uint8_t> bytes(100, 0);
  const uint32_t fields[] = {width, height};
  std::memcpy(bytes.data() + 32, fields, 8);
  std::memcpy(bytes.data() + 88, &flags, 4);
  std::memcpy(bytes.data() + 92, &contents, 4);
  return bytes;
}

// Where the shared real test files live, or "" when they are absent.
inline std::string RealTestDataFolder() {
  const char* source = std::getenv("KX_SOURCE_DIR");
  const std::string folder = std::string(source ? source : "..") + "/../shared/testdata/";
  return folder;
}
