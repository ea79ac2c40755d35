#pragma once
// ReadCollisionBSPX: reads a ".bpX" file back into a collision tree. The whole file is read
// into memory and every count, index and value is checked against the file size and the tree
// before use; a file that fails any check is logged and rejected (the caller builds again).
#include <cstdint>

#include "collision/ReadWriteEngineFilesX.h"
#include "foundation/StringX.h"
#include "geometry/Vector3fX.h"
#include "streams/BinaryReaderX.h"

class CollisionBSPX;

class ReadCollisionBSPX {
 public:
  // Reads the whole file (a missing file leaves the reader empty).
  explicit ReadCollisionBSPX(const StringX& path);
  // Parses a file image already in memory (tests and tools).
  ReadCollisionBSPX(const uint8_t* data, uint32_t size);

  // True when the file was read and holds data.
  bool HasData() const { return mSize > 0; }

  // The tree of a valid file whose stamp is `expected` (the caller owns it); null, with a log
  // line naming the fault, for a bad, truncated, stale or empty file.
  CollisionBSPX* GetBSPTree(const CollisionFileStampX& expected);
  // The same without the stamp comparison.
  CollisionBSPX* GetBSPTree();

  // The stamp read by the last GetBSPTree.
  const CollisionFileStampX& GetStamp() const { return mStamp; }

 private:
  bool ReadHeader();
  bool ReadPolygonList(CollisionBSPX& tree);
  bool ReadPlaneList(CollisionBSPX& tree);
  bool ReadBoundingVolumeList(CollisionBSPX& tree);
  bool ReadNodeList(CollisionBSPX& tree);
  bool Fail(const char* reason);

  // Bounds-checked cursor over the image.
  bool Need(uint64_t bytes) const { return bytes <= uint64_t(mSize - mPosition); }
  uint8_t U8();
  uint16_t U16();
  uint32_t U32();
  uint64_t U64();
  float F32();
  Vector3fX V3();
  // A 16-bit list count with room left for its entries of bytesEach bytes; false (logged with
  // `truncated` or `beyond`) otherwise.
  bool ReadCount(uint32_t bytesEach, const char* truncated, const char* beyond, uint32_t& count);

  BinaryReaderX mReader;
  StringX mPath;
  const uint8_t* mData = nullptr;
  uint32_t mSize = 0;
  uint32_t mPosition = 0;
  CollisionFileStampX mStamp;
};
