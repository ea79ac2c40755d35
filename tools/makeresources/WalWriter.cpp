#include "WalWriter.h"

#include "ByteBuffer.h"

namespace kxres {

std::vector<uint8_t> EncodeWal(const WalHeaderInfo& info, const Image& image) {
  const uint32_t w = static_cast<uint32_t>(image.Width()),
                 h = static_cast<uint32_t>(image.Height());
  ByteBuffer b;
  b.FixedString(info.name, 32);
  b.U32(w);
  b.U32(h);
  uint32_t offset = kWalHeaderSize;
  for (int mip = 0; mip < 4; ++mip) {
    b.U32(offset);
    offset += (w >> mip) * (h >> mip);
  }
  b.FixedString("", 32);  // no animation chain
  b.U32(info.flags);
  b.U32(info.contents);
  b.U32(info.value);
  for (int mip = 0; mip < 4; ++mip) {
    const int step = 1 << mip;
    for (uint32_t y = 0; y < (h >> mip); ++y)
      for (uint32_t x = 0; x < (w >> mip); ++x) {
        const Rgba c = image.Get(static_cast<int>(x) * step, static_cast<int>(y) * step);
        const int luminance = (c.r * 77 + c.g * 150 + c.b * 29) >> 8;
        b.U8(static_cast<uint8_t>(luminance >> 4));
      }
  }
  return b.Data();
}

}  // namespace kxres
