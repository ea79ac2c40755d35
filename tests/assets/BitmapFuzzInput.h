#pragma once
// One fuzz input through the image readers: the first byte picks the BMP reader (with the
// 32-bit conversion and a power-of-two resize), the WAL header or the PNG codec; the rest is
// the file. Used by the libFuzzer target and by the mutation test that runs under ASan.
#include <cstddef>
#include <cstdint>

#include "assets/BitmapX.h"
#include "assets/ImageCodecX.h"
#include "assets/TextureX.h"
#include "assets/WalHeaderX.h"

inline void FuzzImageReaders(const uint8_t* data, size_t size) {
  if (size < 1) return;
  const uint8_t selector = data[0];
  const uint8_t* file = data + 1;
  const uint32_t fileSize = static_cast<uint32_t>(size - 1);
  switch (selector % 3) {
    case 0: {
      BitmapX bitmap(StringX("fuzz.bmp"), file, fileSize);
      if (bitmap.IsValid() && bitmap.ConvertInto32Bitmap() && bitmap.GetWidth() <= 256 &&
          bitmap.GetHeight() <= 256) {
        bitmap.ChangeSize(TextureX::PowerOfTwo(bitmap.GetWidth()),
                          TextureX::PowerOfTwo(bitmap.GetHeight()));
        bitmap.FlipXY();
      }
      break;
    }
    case 1: {
      WalHeaderX header;
      StringX error;
      header.Parse(file, fileSize, error);
      break;
    }
    default: {
      DecodedImageX image;
      StringX error;
      if (image.DecodePng(file, fileSize, error)) BitmapX bitmap(image.GetImage());
      break;
    }
  }
}
