#include "assets/WalHeaderX.h"

#include <cstring>

namespace {
uint32_t ReadU32(const unsigned char* data) {
  uint32_t value;
  std::memcpy(&value, data, 4);
  return value;
}
}  // namespace

bool WalHeaderX::Parse(const unsigned char* data, uint64_t size, StringX& error) {
  if (!data || size < sHeaderSize) {
    error = "WAL header truncated";
    return false;
  }
  const uint32_t width = ReadU32(data + 32);
  const uint32_t height = ReadU32(data + 36);
  if (width == 0 || height == 0 || width > sMaxSize || height > sMaxSize) {
    error = StringX("WAL size not supported (") + width + "x" + height + ")";
    return false;
  }
  mWidth = width;
  mHeight = height;
  mSurfaceFlags = ReadU32(data + 88);
  mContents = ReadU32(data + 92);
  return true;
}
