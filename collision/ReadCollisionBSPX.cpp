#include "collision/ReadCollisionBSPX.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "collision/CollisionBSPX.h"
#include "engine/ReportHooksX.h"

namespace {
bool Finite(const Vector3fX& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}
}  // namespace

ReadCollisionBSPX::ReadCollisionBSPX(const StringX& path) : mPath(path) {
  if (mReader.Open(path)) {
    mData = mReader.GetData();
    mSize = mData ? mReader.GetSize() : 0;
  }
}

ReadCollisionBSPX::ReadCollisionBSPX(const uint8_t* data, uint32_t size)
    : mPath("memory"), mData(data), mSize(data ? size : 0) {}

uint8_t ReadCollisionBSPX::U8() { return mData[mPosition++]; }

uint16_t ReadCollisionBSPX::U16() {
  const uint16_t value = uint16_t(mData[mPosition] | mData[mPosition + 1] << 8);
  mPosition += 2;
  return value;
}

uint32_t ReadCollisionBSPX::U32() {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | mData[mPosition + uint32_t(i)];
  mPosition += 4;
  return value;
}

uint64_t ReadCollisionBSPX::U64() {
  const uint64_t low = U32();
  return low | uint64_t(U32()) << 32;
}

float ReadCollisionBSPX::F32() {
  const uint32_t bits = U32();
  float value = 0.f;
  std::memcpy(&value, &bits, sizeof(value));
  return value;
}

Vector3fX ReadCollisionBSPX::V3() {
  Vector3fX v;
  v.x = F32();
  v.y = F32();
  v.z = F32();
  return v;
}

bool ReadCollisionBSPX::ReadCount(uint32_t bytesEach, const char* truncated, const char* beyond,
                                  uint32_t& count) {
  if (!Need(2)) return Fail(truncated);
  count = U16();
  if (!Need(uint64_t(count) * bytesEach)) return Fail(beyond);
  return true;
}

bool ReadCollisionBSPX::Fail(const char* reason) {
  LogMessage(StringX("ReadCollisionBSPX, rejected ") + mPath + ": " + reason);
  return false;
}

bool ReadCollisionBSPX::ReadHeader() {
  if (!Need(ReadWriteEngineFilesX::sHeaderSize)) return Fail("too short for the header");
  if (std::memcmp(mData + mPosition, ReadWriteEngineFilesX::sMagic, 4) != 0) {
    return Fail("not a BSPX file");
  }
  mPosition += 4;
  if (U32() != ReadWriteEngineFilesX::sVersion) return Fail("wrong version");
  mStamp.mSourceTime = int64_t(U64());
  mStamp.mGeometryHash = U64();
  return true;
}

bool ReadCollisionBSPX::ReadPolygonList(CollisionBSPX& tree) {
  KX_ASSERT(tree.mAllPolygons.Empty(), "ReadCollisionBSPX::ReadPolygonList");
  uint32_t vertexCount = 0;
  if (!ReadCount(ReadWriteEngineFilesX::sVertexSize, "truncated vertex count",
                 "vertex count beyond the file", vertexCount))
    return false;
  tree.mMainVertexList.IncreaseSize(vertexCount);
  for (uint32_t i = 0; i < vertexCount; ++i) {
    const Vector3fX v = V3();
    if (!Finite(v)) return Fail("vertex not a finite number");
    tree.mMainVertexList.Add(v);
  }
  // Every polygon record takes at least 2 + 3 * 2 bytes.
  uint32_t polygonCount = 0;
  if (!ReadCount(8, "truncated polygon count", "polygon count beyond the file", polygonCount))
    return false;
  tree.mAllPolygons.IncreaseSize(polygonCount);
  for (uint32_t p = 0; p < polygonCount; ++p) {
    if (!Need(2)) return Fail("truncated polygon");
    PolygonLightX polygon(&tree.mMainVertexList);
    polygon.mCollisionFlags = U8();
    const uint32_t count = U8();
    if (count != PolygonLightX::sMaxNumberOfVertices) {
      return Fail("polygon without exactly 3 indices");
    }
    if (!Need(uint64_t(count) * 2)) return Fail("truncated polygon indices");
    for (uint32_t i = 0; i < count; ++i) {
      const uint16_t index = U16();
      if (index >= vertexCount) return Fail("vertex index out of range");
      polygon.AddVertex(index);
    }
    if (!polygon.IsAPolygon()) return Fail("degenerate polygon");
    polygon.CreatePlane();
    if (!Finite(polygon.plane.normal) || !std::isfinite(polygon.plane.d)) {
      return Fail("polygon without a plane");
    }
    tree.mAllPolygons.Add(polygon);
  }
  return true;
}

bool ReadCollisionBSPX::ReadPlaneList(CollisionBSPX& tree) {
  uint32_t count = 0;
  if (!ReadCount(ReadWriteEngineFilesX::sPlaneSize, "truncated plane count",
                 "plane count beyond the file", count))
    return false;
  tree.mPlanes.IncreaseSize(count);
  for (uint32_t i = 0; i < count; ++i) {
    PlaneX plane;
    plane.normal = V3();
    plane.d = F32();
    const float length = plane.normal.Length();
    if (!std::isfinite(length) || length < 1e-6f || !std::isfinite(plane.d)) {
      return Fail("invalid plane");
    }
    plane.normal.Normalize();
    tree.mPlanes.Add(plane);
  }
  return true;
}

bool ReadCollisionBSPX::ReadBoundingVolumeList(CollisionBSPX& tree) {
  uint32_t count = 0;
  if (!ReadCount(ReadWriteEngineFilesX::sBoxSize, "truncated box count",
                 "box count beyond the file", count))
    return false;
  tree.mBoundingVolumes.IncreaseSize(count);
  for (uint32_t i = 0; i < count; ++i) {
    BoundingAxisAllignedBoxX box;
    box.min = V3();
    box.max = V3();
    if (!Finite(box.min) || !Finite(box.max)) return Fail("box not finite");
    tree.mBoundingVolumes.Add(box);
  }
  return true;
}

bool ReadCollisionBSPX::ReadNodeList(CollisionBSPX& tree) {
  uint32_t count = 0;
  if (!ReadCount(ReadWriteEngineFilesX::sNodeSize, "truncated node count",
                 "node count beyond the file", count))
    return false;
  if (count == 0 && !tree.mAllPolygons.Empty()) return Fail("polygons without a tree");
  tree.mNodes.IncreaseSize(count);
  // Every node has one parent at most and lies no deeper than a build can go: a file cannot
  // make the queries revisit nodes or recurse without bound.
  std::vector<uint8_t> depth(count, 0);
  std::vector<bool> hasParent(count, false);
  for (uint32_t n = 0; n < count; ++n) {
    if (!Need(ReadWriteEngineFilesX::sNodeSize)) return Fail("truncated node");
    tree.mNodes.Add(CollisionBSPNodeX());
    CollisionBSPNodeX& node = tree.mNodes[n];
    node.mBoundingVolumeIndex = U16();
    node.mSplitPlaneIndex = U16();
    node.mFrontIndex = U16();
    node.mBackIndex = U16();
    if (ValidIndex(node.mBoundingVolumeIndex) &&
        node.mBoundingVolumeIndex >= tree.mBoundingVolumes.Size()) {
      return Fail("box index out of range");
    }
    if (ValidIndex(node.mSplitPlaneIndex) && node.mSplitPlaneIndex >= tree.mPlanes.Size()) {
      return Fail("plane index out of range");
    }
    // Children always come after their parent: this also rules out cycles.
    for (uint16_t child : {node.mFrontIndex, node.mBackIndex}) {
      if (!ValidIndex(child)) continue;
      if (child <= n || child >= count) return Fail("child index out of range");
      if (hasParent[child]) return Fail("node with two parents");
      hasParent[child] = true;
      depth[child] = uint8_t(depth[n] + 1);
      if (depth[child] > CollisionBSPX::sMaxDepth) return Fail("tree deeper than a build makes");
    }
    if (!node.IsLeaf()) {
      if (!ValidIndex(node.mSplitPlaneIndex)) return Fail("inner node without a plane");
      continue;
    }
    uint32_t polygonCount = 0;
    if (!ReadCount(2, "truncated leaf", "leaf count beyond the file", polygonCount)) return false;
    node.mPolygonIndices.IncreaseSize(polygonCount);
    for (uint32_t i = 0; i < polygonCount; ++i) {
      const uint16_t index = U16();
      if (index >= tree.mAllPolygons.Size()) return Fail("polygon index out of range");
      node.mPolygonIndices.Add(index);
    }
  }
  return true;
}

CollisionBSPX* ReadCollisionBSPX::GetBSPTree() {
  mPosition = 0;
  if (!HasData()) {
    Fail("empty or missing file");
    return nullptr;
  }
  if (!ReadHeader()) return nullptr;
  auto tree = std::make_unique<CollisionBSPX>();
  if (!ReadPolygonList(*tree) || !ReadPlaneList(*tree) || !ReadBoundingVolumeList(*tree) ||
      !ReadNodeList(*tree)) {
    return nullptr;
  }
  if (mPosition != mSize) {
    Fail("data after the last node");
    return nullptr;
  }
  return tree.release();
}

CollisionBSPX* ReadCollisionBSPX::GetBSPTree(const CollisionFileStampX& expected) {
  CollisionBSPX* tree = GetBSPTree();
  if (tree && !(mStamp == expected)) {
    Fail("stale, its source has changed");
    delete tree;
    return nullptr;
  }
  return tree;
}
