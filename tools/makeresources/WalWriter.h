// Quake 2 wall texture (.wal): the 100-byte header (name, size, mip offsets, animation name,
// surface flags, contents, value) followed by four mip levels of 8-bit palette indices.
// The pixels use the palette's grey ramp (indices 0-15); the engine draws the matching PNG.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Image.h"

namespace kxres {

// Surface flags and contents values of the format.
constexpr uint32_t kSurfLight = 0x1;
constexpr uint32_t kContentsSolid = 0x1;

struct WalHeaderInfo {
  std::string name;  // e.g. "city/brick1"
  uint32_t flags = 0;
  uint32_t contents = kContentsSolid;
  uint32_t value = 0;
};

constexpr size_t kWalHeaderSize = 100;

std::vector<uint8_t> EncodeWal(const WalHeaderInfo& info, const Image& image);

}  // namespace kxres
