#pragma once
// ReadMD2X: reads a Quake 2 animated model (magic "IDP2") and makes one mesh per key frame,
// the form the renderer's animated meshes expect. Every count, offset and index of the file is
// checked before use; a model whose triangles point at missing vertices or texture
// coordinates is refused.
#include <cstdint>
#include <vector>

#include "foundation/ArrayX.h"
#include "foundation/StringX.h"

class AssetManagerBaseX;
class MeshX;

struct md2_header {
  int32_t magic = 0;
  int32_t version = 0;
  int32_t skinWidth = 0;
  int32_t skinHeight = 0;
  int32_t frameSize = 0;
  int32_t numSkins = 0;
  int32_t numVertices = 0;
  int32_t numTexCoords = 0;
  int32_t numTriangles = 0;
  int32_t numGlCommands = 0;
  int32_t numFrames = 0;
  int32_t offsetSkins = 0;
  int32_t offsetTexCoords = 0;
  int32_t offsetTriangles = 0;
  int32_t offsetFrames = 0;
  int32_t offsetGlCommands = 0;
  int32_t offsetEnd = 0;
};

struct md2_texcoord {
  int16_t s = 0;
  int16_t t = 0;
};

struct md2_triangle {
  uint16_t vertex[3] = {0, 0, 0};
  uint16_t texCoord[3] = {0, 0, 0};
};

class ReadMD2X {
 public:
  // Frame records: scale (3 floats), translate (3 floats), a 16-byte name, then 4 bytes per
  // vertex (x, y, z, normal index).
  static constexpr uint32_t sFrameHeaderSize = 40;
  static constexpr uint32_t sHeaderSize = 68;

  // The skin's material comes from `assets` (null: the meshes get none).
  explicit ReadMD2X(AssetManagerBaseX* assets = nullptr) : mAssets(assets) {}
  ReadMD2X(const ReadMD2X&) = delete;
  ReadMD2X& operator=(const ReadMD2X&) = delete;

  // False when the file cannot be opened or is not a sound MD2 model (logged).
  bool Read(const StringX& fileName);
  // One triangle-list mesh per frame (the caller owns them), all with the skin's material.
  void GetMeshes(ArrayX<MeshX*>& outMeshes);

  // The texture asset name of a skin: '/' made '\'.
  static StringX GetSkinTextureName(const StringX& skin);

  const StringX& GetName() const { return mName; }
  const md2_header& GetHeader() const { return mHeader; }
  const ArrayX<StringX>& GetSkins() const { return mSkins; }

 private:
  // Checks the header's counts and sections against the file size; logs the first fault.
  bool CheckHeader(uint32_t fileSize);
  bool Fail(const char* why);

  AssetManagerBaseX* mAssets = nullptr;
  StringX mFileName;
  StringX mName;
  md2_header mHeader;
  ArrayX<StringX> mSkins;
  ArrayX<md2_texcoord> mTexCoords;
  ArrayX<md2_triangle> mTriangles;
  std::vector<uint8_t> mFrames;  // numFrames records of frameSize bytes, decoded per mesh
  ArrayX<int32_t> mGlCommands;
};
