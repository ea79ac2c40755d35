#pragma once
// The header of a Quake 2 wall texture (.WAL): only the size, the surface flags and the
// contents value are used; the pixel data is never read (the engine ships the pictures as PNG).
#include <cstdint>

#include "foundation/StringX.h"

struct WalHeaderX {
  static constexpr uint32_t sHeaderSize = 100;
  // Larger sizes cannot come from a real wall texture.
  static constexpr uint32_t sMaxSize = 8192;

  uint32_t mWidth = 0;         // offset 32
  uint32_t mHeight = 0;        // offset 36
  uint32_t mSurfaceFlags = 0;  // offset 88
  uint32_t mContents = 0;      // offset 92

  // Parses the header at the start of `data`. A short header or a size of 0 or above
  // sMaxSize is refused with `error` set.
  bool Parse(const unsigned char* data, uint64_t size, StringX& error);
};
