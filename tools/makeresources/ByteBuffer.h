// Little-endian byte buffer used by every file writer of the resource generator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace kxres {

class ByteBuffer {
 public:
  void U8(uint8_t v) { mBytes.push_back(v); }
  void U16(uint16_t v) {
    U8(static_cast<uint8_t>(v));
    U8(static_cast<uint8_t>(v >> 8));
  }
  void I16(int16_t v) { U16(static_cast<uint16_t>(v)); }
  void U32(uint32_t v) {
    U16(static_cast<uint16_t>(v));
    U16(static_cast<uint16_t>(v >> 16));
  }
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void F32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    U32(bits);
  }
  void Bytes(const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    mBytes.insert(mBytes.end(), p, p + size);
  }
  void Append(const ByteBuffer& other) { Bytes(other.mBytes.data(), other.mBytes.size()); }
  // A zero-padded text field of a fixed size (always leaves room for the terminator).
  void FixedString(const std::string& text, size_t size) {
    for (size_t i = 0; i < size; ++i) U8(i + 1 < size && i < text.size() ? text[i] : 0);
  }
  void Text(const std::string& text) { Bytes(text.data(), text.size()); }
  void PadTo(size_t alignment) {
    while (mBytes.size() % alignment) U8(0);
  }
  void PatchU32(size_t offset, uint32_t v) {
    for (int i = 0; i < 4; ++i) mBytes[offset + i] = static_cast<uint8_t>(v >> (8 * i));
  }
  void PatchI32(size_t offset, int32_t v) { PatchU32(offset, static_cast<uint32_t>(v)); }

  size_t Size() const { return mBytes.size(); }
  const std::vector<uint8_t>& Data() const { return mBytes; }
  std::vector<uint8_t>& Data() { return mBytes; }

 private:
  std::vector<uint8_t> mBytes;
};

}  // namespace kxres
