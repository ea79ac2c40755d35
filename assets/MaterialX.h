#pragma once
// MaterialX: what a surface is drawn with: a diffuse (or cube) texture, a lightmap texture and
// a shader, each referenced by name and obtained from the asset manager. A material can be
// made from names alone; the assets are fetched when it is made ready. Not cached.
#include "assets/AssetX.h"
#include "assets/BitmapX.h"

class ShaderX;
class TextureX;
struct TextureAssetArgsX;

// The creation description of a material (the `parameters` of GetAssetImpl<MaterialX>).
struct MaterialAssetArgsX {
  StringX mDiffuseTextureName;
  StringX mLightmapName;
  StringX mShaderName;
};

class MaterialX : public AssetX {
 public:
  explicit MaterialX(const StringX& name);

  bool GenerateAsset(const void* parameters) override;
  void SerializeAsset(StreamX& stream) override;
  void AssetReady() override;
  const char* GetCacheExtension() const override { return nullptr; }
  uint16_t GetCacheVersion() const override { return 2; }

  // Sets the diffuse texture; without a description the default one (2D, no flip, alpha 255,
  // no colour key) is used.
  void AddTexture(const StringX& name, const TextureAssetArgsX* args = nullptr);
  // Sets a cube texture as the diffuse texture; the description must be of type TextureCubeX.
  void AddTextureCube(const StringX& name, const TextureAssetArgsX* args);
  void SetLightmap(const StringX& name);
  void SetShader(const StringX& name);

  TextureX* GetDiffuseTexture() const { return mDiffuseTexture; }
  TextureX* GetLightmap() const { return mLightmap; }
  ShaderX* GetShader() const { return mShader; }
  const StringX& GetDiffuseTextureName() const { return mDiffuseTextureName; }
  const StringX& GetLightmapName() const { return mLightmapName; }
  const StringX& GetShaderName() const { return mShaderName; }

  const ColorX& GetAmbientColor() const { return mAmbientColor; }
  const ColorX& GetDiffuseColor() const { return mDiffuseColor; }
  const ColorX& GetSpecularColor() const { return mSpecularColor; }
  void SetAmbientColor(const ColorX& color) { mAmbientColor = color; }
  void SetDiffuseColor(const ColorX& color) { mDiffuseColor = color; }
  void SetSpecularColor(const ColorX& color) { mSpecularColor = color; }

 private:
  ColorX mAmbientColor{0, 0, 0, 255};
  ColorX mDiffuseColor{0, 0, 0, 255};
  ColorX mSpecularColor{0, 0, 0, 255};
  TextureX* mDiffuseTexture = nullptr;
  StringX mDiffuseTextureName;
  TextureX* mLightmap = nullptr;
  StringX mLightmapName;
  ShaderX* mShader = nullptr;
  StringX mShaderName;
};
