#pragma once
// TextureX: the asset that turns an image file, a block of raw pixels or six cube faces into
// DXT1 blocks, caches them under "Resources\SavedData\" with the extension ".DXT", and keeps
// them ready for the render device (size, type and blocks).
#include <cstdint>
#include <memory>
#include <vector>

#include "assets/AssetX.h"
#include "assets/BitmapX.h"

class DeviceTextureX;
class ITextureDeviceX;

enum TextureTypeX : uint32_t { Texture2DX = 1, TextureCubeX = 2 };

// The creation description of a texture (the `parameters` of GetAssetImpl<TextureX>).
struct TextureAssetArgsX {
  uint32_t mFlip = 0;                      // 0 none, 1 FlipX, 2 FlipY, 3 FlipXY
  uint8_t mFlag = 1;                       // not read when loading from a file
  uint8_t mAlpha = 255;                    // written into every pixel after loading
  const ColorX* mColorKey = nullptr;       // pixels of this colour get mKeyAlpha
  uint8_t mKeyAlpha = 255;                 // 0 also blacks out the keyed pixels
  uint32_t mTextureType = Texture2DX;      // Texture2DX or TextureCubeX
  const unsigned char* mBitmap = nullptr;  // raw pixels instead of a file
  uint32_t mWidth = INVALID32;             // size of mBitmap
  uint32_t mHeight = INVALID32;
  uint32_t mBits = 0;                              // 24 (R,G,B) or 32 (R,G,B,A) bits per pixel
  const ArrayX<StringX>* mTextureNames = nullptr;  // the six face files of a cube texture
  // The file raw pixels were made from (a lightmap atlas names its map), so that the cache
  // goes stale when it changes; may stay null.
  const StringX* mSourceFile = nullptr;
};

class TextureX : public AssetX {
 public:
  static constexpr uint32_t sCubeFaces = 6;
  // WAL surface flags that make a wall texture translucent (33 % and 66 %).
  static constexpr uint32_t sSurfaceTrans33 = 16;
  static constexpr uint32_t sSurfaceTrans66 = 32;

  explicit TextureX(const StringX& name);

  bool GenerateAsset(const void* parameters) override;
  void SerializeAsset(StreamX& stream) override;
  const char* GetCacheExtension() const override { return ".DXT"; }
  uint16_t GetCacheVersion() const override { return 2; }
  // A wall texture is made from its PNG picture and its WAL header, a cube texture from its
  // faces: their times decide whether the cache is stale.
  void GetSourceFiles(const void* parameters, ArrayX<StringX>& files) const override;

  uint32_t GetSourceWidth() const { return mSourceWidth; }
  uint32_t GetSourceHeight() const { return mSourceHeight; }
  uint32_t GetTextureWidth() const { return mTextureWidth; }
  uint32_t GetTextureHeight() const { return mTextureHeight; }
  bool IsTranslucent() const { return mTranslucent; }
  bool IsColorKeyed() const { return mColorKeyed; }
  bool IsAllKeyed() const { return mAllKeyed; }
  uint32_t GetSurfaceFlags() const { return mSurfaceFlags; }
  uint32_t GetSurfaceContents() const { return mSurfaceContents; }
  uint32_t GetTextureType() const { return mTextureType; }
  // DXT1 blocks, bottom row of blocks first; a cube texture holds its six faces one after
  // another (+x, -x, +y, -y, +z, -z), each GetFaceDataSize() bytes.
  const ArrayX<unsigned char>& GetCompressedData() const { return mCompressedData; }
  uint32_t GetFaceDataSize() const;

  // The device texture, asked of `device` from the compressed data on first use and kept.
  // Asking another device makes a new one. Null without data or device. Called by the
  // renderables on the render thread.
  DeviceTextureX* GetTexture(ITextureDeviceX* device);

  // The smallest power of two that is at least `size` and at least 2.
  static uint32_t PowerOfTwo(uint32_t size);

 private:
  bool GenerateAssetBitmap(const TextureAssetArgsX& assetArgs);
  bool GenerateAssetCube(const TextureAssetArgsX& assetArgs);
  // Loads, converts and prepares the image `fileName` (see TextureLoadX); null on failure.
  std::unique_ptr<BitmapX> LoadAssetFile(const TextureAssetArgsX& assetArgs,
                                         const StringX& fileName);
  // Resizes to powers of two and appends the image's DXT1 blocks to `blocks`.
  bool CompressFace(BitmapX& bitmap, std::vector<unsigned char>& blocks);
  void StoreCompressedData(const std::vector<unsigned char>& blocks);
  // True when the loaded fields describe a body the render device can use.
  bool IsConsistent() const;

  uint32_t mSourceWidth = INVALID32;
  uint32_t mSourceHeight = INVALID32;
  uint32_t mTextureWidth = 0;
  uint32_t mTextureHeight = 0;
  bool mTranslucent = false;
  bool mColorKeyed = false;
  bool mAllKeyed = false;
  uint32_t mSurfaceFlags = 0;
  uint32_t mSurfaceContents = 0;
  uint32_t mTextureType = Texture2DX;
  ArrayX<unsigned char> mCompressedData;
  // Not released with the asset: the device (and its GL context, which frees the texture) is
  // stopped before the asset manager.
  DeviceTextureX* mDeviceTexture = nullptr;
  ITextureDeviceX* mDeviceTextureOwner = nullptr;
};
