#include "collision/SaveCollisionBSPX.h"

#include "collision/CollisionBSPX.h"
#include "engine/FunctionLibraryX.h"
#include "engine/ReportHooksX.h"
#include "geometry/MeshX.h"
#include "streams/BinaryWriterX.h"
#include "streams/FileSystemX.h"

namespace {
uint64_t Fnv(uint64_t hash, const void* bytes, size_t count) {
  const auto* p = static_cast<const uint8_t*>(bytes);
  for (size_t i = 0; i < count; ++i) hash = (hash ^ p[i]) * 0x100000001B3ull;
  return hash;
}
}  // namespace

CollisionFileStampX CollisionFileStampX::FromMeshes(const ArrayX<const MeshX*>& meshes,
                                                    int64_t sourceTime) {
  uint64_t hash = 0xCBF29CE484222325ull;
  for (const MeshX* mesh : meshes) {
    if (!mesh) continue;
    const uint32_t counts[3] = {mesh->mVertexList.Size(), mesh->mIndexList.Size(),
                                mesh->mPolygonList.Size()};
    hash = Fnv(hash, counts, sizeof(counts));
    for (const VertexX& vertex : mesh->mVertexList) {
      hash = Fnv(hash, &vertex.position, sizeof(vertex.position));
    }
    if (!mesh->mIndexList.Empty()) {
      hash = Fnv(hash, mesh->mIndexList.begin(), mesh->mIndexList.Size() * sizeof(int32_t));
    }
    for (const PolygonX& polygon : mesh->mPolygonList) {
      hash = Fnv(hash, &polygon.surfaceFlags, sizeof(polygon.surfaceFlags));
      for (const VertexX& vertex : polygon.vertexList) {
        hash = Fnv(hash, &vertex.position, sizeof(vertex.position));
      }
    }
  }
  return {sourceTime, hash};
}

SaveCollisionBSPX::SaveCollisionBSPX(const StringX& folder) : mFolder(folder) {}

SaveCollisionBSPX::~SaveCollisionBSPX() {
  KX_ASSERT(!mWriteEngineFiles, "SaveCollisionBSPX::~SaveCollisionBSPX");
}

StringX SaveCollisionBSPX::GetFileName(const StringX& folder, const StringX& name) {
  StringX fileName(folder);
  for (uint32_t i = 0; i < name.Size(); ++i) {
    const char c = name[i];
    fileName += (c == '\\' || c == '/' || c == ':') ? '_' : c;
  }
  fileName += ReadWriteEngineFilesX::sExtension;
  return fileName;
}

bool SaveCollisionBSPX::FitsFile(const CollisionBSPX& tree) {
  const uint32_t limit = 0xFFFF;
  if (tree.mMainVertexList.Size() > limit || tree.mAllPolygons.Size() > limit ||
      tree.mPlanes.Size() > limit || tree.mBoundingVolumes.Size() > limit ||
      tree.mNodes.Size() > limit) {
    return false;
  }
  for (const CollisionBSPNodeX& node : tree.mNodes) {
    if (node.mPolygonIndices.Size() > limit) return false;
  }
  for (const PolygonLightX& polygon : tree.mAllPolygons) {
    if (polygon.mMainVertexList != &tree.mMainVertexList) return false;
  }
  return true;
}

bool SaveCollisionBSPX::Save(const CollisionBSPX& tree, const StringX& name,
                             const CollisionFileStampX& stamp) {
  KX_ASSERT(!mWriteEngineFiles, "SaveCollisionBSPX::Save");
  if (mWriteEngineFiles) return false;
  const StringX fileName = GetFileName(mFolder, name);
  if (!FitsFile(tree)) {
    LogMessage(
        StringX("SaveCollisionBSPX, the tree does not fit the file's 16-bit counts, not saved: ") +
        fileName);
    return false;
  }
  const StringX temporaryName = fileName + ".tmp" + FunctionsX::GetUniqueNumber();
  mWriteEngineFiles = std::make_unique<BinaryWriterX>(temporaryName, true);
  bool good = mWriteEngineFiles->IsOpen();
  if (good) {
    mWriteEngineFiles->Write(ReadWriteEngineFilesX::sMagic, 4);
    mWriteEngineFiles->WriteUInt32(ReadWriteEngineFilesX::sVersion);
    mWriteEngineFiles->WriteUInt64(uint64_t(stamp.mSourceTime));
    mWriteEngineFiles->WriteUInt64(stamp.mGeometryHash);
    WritePolygonListToFile(tree);
    WritePlaneListToFile(tree);
    WriteBoundingVolumeListToFile(tree);
    mWriteEngineFiles->WriteUInt16(uint16_t(tree.mNodes.Size()));
    for (uint32_t i = 0; i < tree.mNodes.Size(); ++i) WriteNodeToFile(tree, i);
    good = mWriteEngineFiles->WritePending() && !mWriteEngineFiles->HasFailed();
  }
  mWriteEngineFiles.reset();
  if (good) good = FileSystemX::RenameFile(temporaryName, fileName);
  if (!good) {
    FileSystemX::DeleteFile(temporaryName);
    LogMessage(StringX("SaveCollisionBSPX, unable to save ") + fileName);
  }
  return good;
}

void SaveCollisionBSPX::WritePolygonListToFile(const CollisionBSPX& tree) {
  KX_ASSERT(tree.mAllPolygons.Empty() || tree.mAllPolygons[0].mMainVertexList,
            "SaveCollisionBSPX::WritePolygonListToFile");
  mWriteEngineFiles->WriteUInt16(uint16_t(tree.mMainVertexList.Size()));
  for (const Vector3fX& v : tree.mMainVertexList) {
    mWriteEngineFiles->WriteFloat(v.x);
    mWriteEngineFiles->WriteFloat(v.y);
    mWriteEngineFiles->WriteFloat(v.z);
  }
  mWriteEngineFiles->WriteUInt16(uint16_t(tree.mAllPolygons.Size()));
  for (const PolygonLightX& polygon : tree.mAllPolygons) {
    const uint8_t head[2] = {uint8_t(polygon.mCollisionFlags), polygon.mIndexListSize};
    mWriteEngineFiles->Write(head, 2);
    for (uint32_t i = 0; i < polygon.mIndexListSize; ++i) {
      mWriteEngineFiles->WriteUInt16(polygon.mIndexList[i]);
    }
  }
}

void SaveCollisionBSPX::WritePlaneListToFile(const CollisionBSPX& tree) {
  mWriteEngineFiles->WriteUInt16(uint16_t(tree.mPlanes.Size()));
  for (const PlaneX& plane : tree.mPlanes) {
    mWriteEngineFiles->WriteFloat(plane.normal.x);
    mWriteEngineFiles->WriteFloat(plane.normal.y);
    mWriteEngineFiles->WriteFloat(plane.normal.z);
    mWriteEngineFiles->WriteFloat(plane.d);
  }
}

void SaveCollisionBSPX::WriteBoundingVolumeListToFile(const CollisionBSPX& tree) {
  mWriteEngineFiles->WriteUInt16(uint16_t(tree.mBoundingVolumes.Size()));
  for (const BoundingAxisAllignedBoxX& box : tree.mBoundingVolumes) {
    const float values[6] = {box.min.x, box.min.y, box.min.z, box.max.x, box.max.y, box.max.z};
    for (float value : values) mWriteEngineFiles->WriteFloat(value);
  }
}

void SaveCollisionBSPX::WriteNodeToFile(const CollisionBSPX& tree, uint32_t nodeIndex) {
  const CollisionBSPNodeX& node = tree.mNodes[nodeIndex];
  mWriteEngineFiles->WriteUInt16(node.mBoundingVolumeIndex);
  mWriteEngineFiles->WriteUInt16(node.mSplitPlaneIndex);
  mWriteEngineFiles->WriteUInt16(node.mFrontIndex);
  mWriteEngineFiles->WriteUInt16(node.mBackIndex);
  if (!node.IsLeaf()) return;
  mWriteEngineFiles->WriteUInt16(uint16_t(node.mPolygonIndices.Size()));
  for (uint16_t index : node.mPolygonIndices) mWriteEngineFiles->WriteUInt16(index);
}
