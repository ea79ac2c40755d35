#include "assets/MaterialX.h"

#include "assets/AssetManagerBaseX.h"
#include "assets/ShaderX.h"
#include "assets/TextureX.h"
#include "engine/ReportHooksX.h"

namespace {
// A name travels as its length (unsigned long) followed by its characters.
void SerializeName(StreamX& stream, StringX& name) {
  if (stream.GetMode() == SM_READ) {
    unsigned long length = name.Size();
    stream << length;
    for (uint32_t i = 0; i < name.Size(); ++i) stream << name[i];
    return;
  }
  unsigned long length = 0;
  stream << length;
  name.Clear();
  const uint32_t state = stream.GetState();
  if ((state != STREAMSTATE_GOOD && state != STREAMSTATE_AT_END) ||
      length > stream.GetRemaining()) {
    if (length != 0) stream.SetState(STREAMSTATE_SHORT);
    return;
  }
  for (unsigned long i = 0; i < length; ++i) {
    char c = 0;
    stream << c;
    name += c;
  }
}
}  // namespace

MaterialX::MaterialX(const StringX& name) : AssetX(name) {}

void MaterialX::AddTexture(const StringX& name, const TextureAssetArgsX* args) {
  const TextureAssetArgsX defaults;
  mDiffuseTextureName = name;
  mDiffuseTexture = GetPartAsset<TextureX>(*this, name, args ? args : &defaults);
  KX_ASSERT(mDiffuseTexture, "MaterialX::AddTexture");
}

void MaterialX::AddTextureCube(const StringX& name, const TextureAssetArgsX* args) {
  KX_ASSERT(args && args->mTextureType == TextureCubeX, "MaterialX::AddTextureCube");
  if (!args || args->mTextureType != TextureCubeX) return;
  AddTexture(name, args);
}

void MaterialX::SetLightmap(const StringX& name) {
  mLightmapName = name;
  mLightmap = GetPartAsset<TextureX>(*this, name);
  KX_ASSERT(mLightmap, "MaterialX::SetLightmap");
}

void MaterialX::SetShader(const StringX& name) {
  mShaderName = name;
  mShader = GetPartAsset<ShaderX>(*this, name);
  KX_ASSERT(mShader, "MaterialX::SetShader");
}

bool MaterialX::GenerateAsset(const void* parameters) {
  if (!parameters) return true;
  const MaterialAssetArgsX& args = *static_cast<const MaterialAssetArgsX*>(parameters);
  if (!args.mDiffuseTextureName.Empty()) AddTexture(args.mDiffuseTextureName);
  if (!args.mLightmapName.Empty()) SetLightmap(args.mLightmapName);
  if (!args.mShaderName.Empty()) SetShader(args.mShaderName);
  return true;
}

void MaterialX::AssetReady() {
  if (!mDiffuseTextureName.Empty() && !mDiffuseTexture) AddTexture(mDiffuseTextureName);
  if (!mLightmapName.Empty() && !mLightmap) SetLightmap(mLightmapName);
  if (!mShaderName.Empty() && !mShader) SetShader(mShaderName);
}

void MaterialX::SerializeAsset(StreamX& stream) {
  const bool loading = stream.GetMode() == SM_WRITE;
  SerializeName(stream, mDiffuseTextureName);
  if (loading) {
    mDiffuseTexture = nullptr;
    if (!mDiffuseTextureName.Empty()) AddTexture(mDiffuseTextureName);
  }
  SerializeName(stream, mLightmapName);
  if (loading) {
    mLightmap = nullptr;
    if (!mLightmapName.Empty()) SetLightmap(mLightmapName);
  }
  SerializeName(stream, mShaderName);
  if (loading) {
    mShader = nullptr;
    if (!mShaderName.Empty()) SetShader(mShaderName);
  }
}
