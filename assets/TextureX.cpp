#include "assets/TextureX.h"

#include <cstring>
#include <vector>

#include "assets/AssetManagerImplX.h"
#include "assets/ITextureDeviceX.h"
#include "assets/ImageCodecX.h"
#include "assets/TextureCompressionX.h"
#include "assets/WalHeaderX.h"
#include "engine/ReportHooksX.h"
#include "streams/BinaryReaderX.h"
#include "streams/FileSystemX.h"

namespace {

void Log(const StringX& text) { LogMessage(text.GetCharArray()); }

StringX WithBackslashes(const StringX& name) {
  StringX fixed = name;
  FileSystemX::FixSlashes(fixed);
  return fixed;
}

StringX UpperExtension(const StringX& name) {
  StringX extension = FileSystemX::GetExtension(name);
  extension.ToUpper();
  return extension;
}

bool IsWalName(const StringX& name) { return UpperExtension(name) == "WAL"; }

// The picture file of a texture name: wall textures (".WAL", ".PCX") are shipped as PNG files
// of the same base name.
StringX ImageFileName(const StringX& name) {
  StringX fileName = WithBackslashes(name);
  const StringX extension = UpperExtension(fileName);
  if ((extension == "WAL" || extension == "PCX") && fileName.Size() >= 3) {
    fileName = fileName.SubString(0, fileName.Size() - 3) + "PNG";
  }
  return fileName;
}

enum class ImageResultX { LOADED, MISSING, BROKEN };

// Finds and decodes an image: BMP files with BitmapX's own reader, everything else through the
// image codec. The result holds 32-bit pixels.
std::unique_ptr<BitmapX> LoadImage(const StringX& fileName, ImageResultX& result) {
  const StringX path = AssetManagerImplX::FindSourcePath(fileName);
  result = ImageResultX::MISSING;
  if (path.Empty()) return nullptr;
  result = ImageResultX::BROKEN;
  std::unique_ptr<BitmapX> bitmap;
  if (UpperExtension(fileName) == "BMP") {
    bitmap = std::make_unique<BitmapX>(path);
  } else {
    BinaryReaderX reader;
    if (!reader.Open(path) || !reader.GetData()) return nullptr;
    DecodedImageX image;
    StringX error;
    if (!image.DecodePng(reader.GetData(), reader.GetSize(), error)) {
      Log(StringX("Could not decode image ") + path + ": " + error);
      return nullptr;
    }
    bitmap = std::make_unique<BitmapX>(image.GetImage(), fileName);
  }
  if (!bitmap->IsValid() || !bitmap->ConvertInto32Bitmap()) return nullptr;
  result = ImageResultX::LOADED;
  return bitmap;
}

void ApplyFlip(BitmapX& bitmap, uint32_t flip) {
  switch (flip) {
    case 1:
      bitmap.FlipX();
      break;
    case 2:
      bitmap.FlipY();
      break;
    case 3:
      bitmap.FlipXY();
      break;
    default:
      break;
  }
}

}  // namespace

TextureX::TextureX(const StringX& name) : AssetX(name) {}

DeviceTextureX* TextureX::GetTexture(ITextureDeviceX* device) {
  if (!device) return nullptr;
  if (mDeviceTexture && mDeviceTextureOwner == device) return mDeviceTexture;
  mDeviceTexture = nullptr;
  mDeviceTextureOwner = device;
  if (mCompressedData.Empty()) return nullptr;
  const uint32_t size = mCompressedData.Size();
  if (mTextureType == Texture2DX) {
    mDeviceTexture =
        device->TextureCreate(this, mTextureWidth, mTextureHeight, mCompressedData.begin(), size);
  } else if (mTextureType == TextureCubeX) {
    mDeviceTexture = device->TextureCubeCreate(this, mTextureWidth, mTextureHeight,
                                               mCompressedData.begin(), size);
  } else {
    KX_ASSERT(false, "TextureX::GetTexture");
  }
  return mDeviceTexture;
}

uint32_t TextureX::PowerOfTwo(uint32_t size) {
  uint32_t power = 2;
  while (power < size && power < 0x80000000u) power <<= 1;
  return power;
}

uint32_t TextureX::GetFaceDataSize() const { return GetDXT1Size(mTextureWidth, mTextureHeight); }

bool TextureX::GenerateAsset(const void* parameters) {
  const TextureAssetArgsX defaults;
  const TextureAssetArgsX& assetArgs =
      parameters ? *static_cast<const TextureAssetArgsX*>(parameters) : defaults;
  mCompressedData.Clear();
  mTextureType = Texture2DX;
  if (assetArgs.mBitmap) return GenerateAssetBitmap(assetArgs);
  if (assetArgs.mTextureType == TextureCubeX) return GenerateAssetCube(assetArgs);

  std::unique_ptr<BitmapX> bitmap = LoadAssetFile(assetArgs, mName);
  std::vector<unsigned char> blocks;
  if (!bitmap || !CompressFace(*bitmap, blocks)) return false;
  StoreCompressedData(blocks);
  return true;
}

bool TextureX::GenerateAssetBitmap(const TextureAssetArgsX& assetArgs) {
  KX_ASSERT(assetArgs.mBitmap, "TextureX::GenerateAssetBitmap");
  if (!assetArgs.mBitmap) return false;
  Log(StringX("TextureManagerX, Creating texture: ") + mName + ", (Width,Height) = (" +
      assetArgs.mWidth + "," + assetArgs.mHeight + ")");
  BitmapX bitmap(assetArgs.mBitmap, assetArgs.mWidth, assetArgs.mHeight, assetArgs.mBits);
  if (!bitmap.IsValid()) {
    Log(StringX("Could not build texture ") + mName + " from its pixels");
    return false;
  }
  mSourceWidth = assetArgs.mWidth;
  mSourceHeight = assetArgs.mHeight;
  std::vector<unsigned char> blocks;
  if (!CompressFace(bitmap, blocks)) return false;
  StoreCompressedData(blocks);
  return true;
}

bool TextureX::GenerateAssetCube(const TextureAssetArgsX& assetArgs) {
  KX_ASSERT(assetArgs.mTextureType == TextureCubeX, "TextureX::GenerateAssetCube");
  KX_ASSERT(assetArgs.mTextureNames, "TextureX::GenerateAssetCube");
  if (!assetArgs.mTextureNames || assetArgs.mTextureNames->Size() != sCubeFaces) {
    Log(StringX("Cube texture needs six face names: ") + mName);
    return false;
  }
  std::vector<unsigned char> blocks;
  uint32_t faceWidth = 0, faceHeight = 0;
  for (uint32_t face = 0; face < sCubeFaces; ++face) {
    const StringX& faceName = (*assetArgs.mTextureNames)[face];
    std::unique_ptr<BitmapX> bitmap = LoadAssetFile(assetArgs, faceName);
    if (!bitmap) return false;
    if (face == 0) {
      faceWidth = bitmap->GetWidth();
      faceHeight = bitmap->GetHeight();
      if (faceWidth != faceHeight) {
        Log(StringX("Cube texture faces must be square: ") + mName + " (" + faceName + ")");
        return false;
      }
    } else if (bitmap->GetWidth() != faceWidth || bitmap->GetHeight() != faceHeight) {
      // Every face must have the first face's size: the device reads them all with it.
      Log(StringX("Cube texture faces differ in size: ") + mName + " (" + faceName + ")");
      return false;
    }
    if (!CompressFace(*bitmap, blocks)) return false;
  }
  mSourceWidth = faceWidth;
  mSourceHeight = faceHeight;
  mTextureType = TextureCubeX;
  StoreCompressedData(blocks);
  return true;
}

std::unique_ptr<BitmapX> TextureX::LoadAssetFile(const TextureAssetArgsX& assetArgs,
                                                 const StringX& fileName) {
  ImageResultX result;
  std::unique_ptr<BitmapX> bitmap = LoadImage(ImageFileName(fileName), result);
  if (!bitmap) {
    Log(StringX("TextureManager, ERROR could not load texture: ") + fileName);
    // A damaged file is refused; only a missing one falls back to the default picture.
    if (result == ImageResultX::BROKEN) return nullptr;
    bitmap = LoadImage(StringX("default.bmp"), result);
    if (!bitmap) {
      KX_ASSERT_MSG(false, "TextureX::LoadAssetFile", "LoadTexture(filename, bitmapX)");
      return nullptr;
    }
  }
  mSourceWidth = mTextureWidth = bitmap->GetWidth();
  mSourceHeight = mTextureHeight = bitmap->GetHeight();

  if (IsWalName(fileName)) {
    const StringX walPath = AssetManagerImplX::FindSourcePath(WithBackslashes(fileName));
    BinaryReaderX reader;
    if (!walPath.Empty() && reader.Open(walPath)) {
      WalHeaderX header;
      StringX error;
      if (!header.Parse(reader.GetData(), reader.GetSize(), error)) {
        Log(StringX("Bad wall texture header ") + walPath + ": " + error);
        return nullptr;
      }
      mSourceWidth = header.mWidth;
      mSourceHeight = header.mHeight;
      mSurfaceFlags = header.mSurfaceFlags;
      mSurfaceContents = header.mContents;
    }
  }

  bitmap->SetAlpha(assetArgs.mAlpha);
  mTranslucent = false;
  mColorKeyed = false;
  // The translucency flags are bits: a light-emitting window is still translucent.
  if (mSurfaceFlags & sSurfaceTrans33) {
    bitmap->SetAlpha(200);
    mTranslucent = true;
  } else if (mSurfaceFlags & sSurfaceTrans66) {
    bitmap->SetAlpha(120);
    mTranslucent = true;
  }
  if (assetArgs.mColorKey) {
    mColorKeyed = bitmap->ColorKey(*assetArgs.mColorKey, assetArgs.mKeyAlpha, mAllKeyed);
  }
  ApplyFlip(*bitmap, assetArgs.mFlip);
  if (assetArgs.mAlpha != 255) {
    if (assetArgs.mAlpha < 10) {
      mColorKeyed = true;
    } else {
      mTranslucent = true;
    }
  }
  Log(StringX("TextureManager, Loaded Texture: ") + fileName);
  return bitmap;
}

bool TextureX::CompressFace(BitmapX& bitmap, std::vector<unsigned char>& blocks) {
  const uint32_t width = PowerOfTwo(bitmap.GetWidth());
  const uint32_t height = PowerOfTwo(bitmap.GetHeight());
  if (!bitmap.ChangeSize(width, height)) return false;
  ArrayX<unsigned char> face;
  CompressTextureDXT1(bitmap, face, GetManager() ? GetManager()->GetJobPool() : nullptr);
  if (face.Empty()) return false;
  blocks.insert(blocks.end(), face.begin(), face.end());
  mTextureWidth = width;
  mTextureHeight = height;
  return true;
}

void TextureX::StoreCompressedData(const std::vector<unsigned char>& blocks) {
  mCompressedData.Clear();
  mCompressedData.Resize(static_cast<uint32_t>(blocks.size()));
  if (!blocks.empty()) std::memcpy(mCompressedData.begin(), blocks.data(), blocks.size());
}

bool TextureX::IsConsistent() const {
  const uint32_t faces = mTextureType == Texture2DX     ? 1
                         : mTextureType == TextureCubeX ? sCubeFaces
                                                        : 0;
  const bool powers = mTextureWidth >= 2 && mTextureHeight >= 2 &&
                      PowerOfTwo(mTextureWidth) == mTextureWidth &&
                      PowerOfTwo(mTextureHeight) == mTextureHeight &&
                      uint64_t{mTextureWidth} * mTextureHeight <= BitmapX::sMaxPixels;
  return faces != 0 && powers &&
         uint64_t{GetFaceDataSize()} * faces == uint64_t{mCompressedData.Size()};
}

void TextureX::SerializeAsset(StreamX& stream) {
  stream << mSurfaceContents << mSurfaceFlags << mAllKeyed << mTextureHeight << mTextureWidth
         << mSourceHeight << mSourceWidth << mTranslucent << mColorKeyed << mTextureType
         << mCompressedData;
  const uint32_t state = stream.GetState();
  const bool complete = state == STREAMSTATE_GOOD || state == STREAMSTATE_AT_END;
  if (stream.GetMode() == SM_WRITE && complete && !IsConsistent()) {
    // A body whose blocks do not match its size would make the device read past them:
    // treat it as damaged so the texture is generated again.
    Log(StringX("Texture cache does not match its size: ") + mName);
    stream.SetState(STREAMSTATE_SHORT);
  }
}

void TextureX::GetSourceFiles(const void* parameters, ArrayX<StringX>& files) const {
  const TextureAssetArgsX defaults;
  const TextureAssetArgsX& assetArgs =
      parameters ? *static_cast<const TextureAssetArgsX*>(parameters) : defaults;
  auto addFound = [&files](const StringX& name) {
    const StringX path = AssetManagerImplX::FindSourcePath(name);
    if (!path.Empty()) files.Add(path);
  };
  if (assetArgs.mBitmap) {
    if (assetArgs.mSourceFile && !assetArgs.mSourceFile->Empty()) addFound(*assetArgs.mSourceFile);
    return;
  }
  if (assetArgs.mTextureType == TextureCubeX && assetArgs.mTextureNames) {
    for (const StringX& face : *assetArgs.mTextureNames) addFound(ImageFileName(face));
    return;
  }
  const StringX image = ImageFileName(mName);
  if (image != WithBackslashes(mName)) {
    addFound(image);
    addFound(WithBackslashes(mName));
  }
}
