#pragma once
// Read3DSX: reads a 3D Studio file (nested chunks of a 16-bit id and a 32-bit length that
// counts the 6-byte chunk header, little-endian) into meshes, one per object and face
// material, and keeps its lights. A chunk whose length is shorter than its header or runs
// past its parent ends the read as a failure; so does a face that points at a missing vertex.
#include <cstdint>
#include <memory>

#include "assets/BitmapX.h"
#include "foundation/ArrayX.h"
#include "foundation/BinarySearchTreeX.h"
#include "foundation/StringX.h"
#include "geometry/Vector3fX.h"

class AssetManagerBaseX;
class BinaryReaderX;
class MaterialX;
class MeshX;

// A light of the file: position and colour, and the target of a spot light.
struct LightX {
  Vector3fX position;
  ColorX colour{255, 255, 255, 255};
  bool spot = false;
  Vector3fX target;
};

class Read3DSX {
 public:
  // Materials come from `assets` (null: the meshes get none).
  explicit Read3DSX(AssetManagerBaseX* assets = nullptr);
  ~Read3DSX();
  Read3DSX(const Read3DSX&) = delete;
  Read3DSX& operator=(const Read3DSX&) = delete;

  // Reads the file; false when it cannot be opened or is damaged (logged). Meshes read before
  // the damage are kept.
  bool Read(const StringX& fileName);
  // Hands the meshes to the caller, who owns them from then on.
  void GetMeshes(ArrayX<MeshX*>& outMeshes);
  const ArrayX<LightX*>& GetLights() const { return mLights; }

  static constexpr uint32_t sChunkHeaderSize = 6;
  // Deeper nesting than any real file uses is refused.
  static constexpr uint32_t sMaxDepth = 32;

 private:
  struct ChunkX {
    uint16_t id = 0;
    int32_t chunkLength = 0;
    uint32_t bytesRead = 0;
    uint32_t start = 0;  // file position of the header
    uint32_t End() const { return start + uint32_t(chunkLength); }
  };
  struct ObjectDataX;

  // Reads the chunks between the reader's position and `end`, handing each to its handler.
  bool ProcessChunks(uint32_t end, uint32_t depth);
  bool ProcessChunkInfo(const ChunkX& chunk, uint32_t depth);
  bool ProcessNextMaterialChunk(const ChunkX& chunk, uint32_t depth);
  bool ProcessObjectChunk(const ChunkX& chunk, uint32_t depth);
  bool ProcessCameraChunk(const ChunkX& chunk);
  bool ProcessLightChunk(const ChunkX& chunk, uint32_t depth);
  bool ProcessColorChunk(const ChunkX& chunk, ColorX& outColour);
  // Moves the reader to a position inside the file or to its very end.
  bool MoveTo(uint32_t position);
  // A zero-terminated name inside the chunk.
  StringX ReadName(uint32_t end);
  bool Fail(const ChunkX& chunk, const char* why);
  // The header of the chunk at the reader, inside a parent that ends at `end`; false (logged)
  // when its length is shorter than a header or runs past the parent.
  bool ReadChunkHeader(uint32_t end, ChunkX& chunk);
  // The 16-bit count that opens a list inside the chunk; false (logged) when the count or its
  // list of bytesEach-byte entries does not fit in the chunk.
  bool ReadCount(const ChunkX& chunk, uint32_t bytesEach, const char* why, uint32_t& count);
  // Turns the finished object into meshes, one per face material; false (nothing made) when a
  // face points at a missing vertex.
  bool FinishObject();
  MaterialX* GetDefaultMaterial();

  AssetManagerBaseX* mAssets = nullptr;
  StringX mFileName;
  BinaryReaderX* mReader = nullptr;
  ChunkX currentChunk;
  ArrayX<MeshX*> mMeshes;
  ArrayX<LightX*> mLights;
  // Material being read, and the materials by their name in the file.
  StringX mMaterialName;
  ColorX mMaterialColours[3];
  StringX mMaterialTexture;
  BinarySearchTreeX<MaterialX*, StringX> mMaterials;
  std::unique_ptr<ObjectDataX> mObject;  // the object being read
};
