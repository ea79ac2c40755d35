#pragma once
// A texture on the render device. The device hands it out at once when a texture is requested;
// the render thread uploads the pixels at its next frame start (or at once when the request comes
// from the render thread itself), and only from then on does it have a GL name.
#include <atomic>
#include <cstdint>
#include <vector>

enum TextureFormatX : uint32_t { TEXTUREFORMAT_A8R8G8B8, TEXTUREFORMAT_DXT1 };
enum TextureKindX : uint32_t { TEXTUREKIND_2D, TEXTUREKIND_CUBE };

class DeviceTextureX {
 public:
  DeviceTextureX(TextureKindX kind, TextureFormatX format, uint32_t width, uint32_t height)
      : mKind(kind), mFormat(format), mWidth(width), mHeight(height) {}

  // The GL texture name; 0 until the render thread has uploaded the texture.
  uint32_t GetName() const { return mName.load(std::memory_order_acquire); }
  TextureKindX GetKind() const { return mKind; }
  TextureFormatX GetFormat() const { return mFormat; }
  uint32_t GetWidth() const { return mWidth; }
  uint32_t GetHeight() const { return mHeight; }
  // True when the DXT1 blocks went to the driver as they are, false when they were unpacked.
  bool IsStoredCompressed() const { return mStoredCompressed.load(std::memory_order_acquire); }

 private:
  friend class TextureUploaderX;
  const TextureKindX mKind;
  const TextureFormatX mFormat;
  const uint32_t mWidth, mHeight;
  std::atomic<uint32_t> mName{0};
  std::atomic<bool> mStoredCompressed{false};
};

// Pixels waiting to be uploaded: A8R8G8B8 words (0xAARRGGBB, blue byte first in memory) or DXT1
// blocks of 8 bytes, one face after another for a cube texture (+x, -x, +y, -y, +z, -z).
struct TextureUploadX {
  DeviceTextureX* mTexture = nullptr;
  std::vector<uint8_t> mData;
};

// Turns queued pixels into GL textures. Render thread only (a current GL context).
class TextureUploaderX {
 public:
  // Reads what the driver offers; call once the context is current.
  void DetectCapabilities();
  bool HasS3TC() const { return mHasS3TC.load(std::memory_order_acquire); }
  // Unpacks DXT1 even where the driver has S3TC (tests take this road on purpose).
  void ForceNoS3TC() { mUnpackDXT1.store(true, std::memory_order_release); }

  // Creates the GL texture with its full mipmap chain; false (and no GL name) when it failed.
  bool Upload(const TextureUploadX& upload);
  static void Release(DeviceTextureX* texture);

  // Bytes a request must hold: four per pixel, or eight per 4x4 block, per face.
  static uint64_t RequiredBytes(TextureKindX kind, TextureFormatX format, uint32_t width,
                                uint32_t height);
  // Unpacks DXT1 blocks into RGBA bytes (red first), width x height pixels.
  static std::vector<uint8_t> DecompressDXT1(const uint8_t* blocks, uint32_t width,
                                             uint32_t height);

 private:
  void UploadFace(uint32_t target, const DeviceTextureX& texture, const uint8_t* data);
  bool UploadsCompressed() const;
  std::atomic<bool> mHasS3TC{false};
  std::atomic<bool> mUnpackDXT1{false};
};
