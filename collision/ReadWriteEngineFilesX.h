#pragma once
// The engine's collision-BSP file (".bpX"): layout constants shared by the writer and the
// reader, and the stamp that ties a file to the geometry it was built from.
//
// Layout (little-endian, f32 floats, no padding):
//   "BSPX", u32 version, i64 source last-write time, u64 geometry hash,
//   u16 V, V x (x, y, z),
//   u16 P, P x (u8 flags, u8 k = 3, k x u16 vertex index),
//   u16 L, L x (nx, ny, nz, d),
//   u16 B, B x (min xyz, max xyz),
//   u16 N, N x (u16 box, u16 plane, u16 front, u16 back, leaves only: u16 m, m x u16 polygon).
// A file whose stamp differs from the current source is stale and is built again.
#include <cstdint>

#include "foundation/ArrayX.h"

class MeshX;

namespace ReadWriteEngineFilesX {
constexpr char sMagic[4] = {'B', 'S', 'P', 'X'};
// Version 1 had no stamp; its files are rebuilt.
constexpr uint32_t sVersion = 2;
constexpr const char* sExtension = ".bpX";
constexpr uint32_t sHeaderSize = 4 + 4 + 8 + 8;
constexpr uint32_t sVertexSize = 12;
constexpr uint32_t sPlaneSize = 16;
constexpr uint32_t sBoxSize = 24;
constexpr uint32_t sNodeSize = 8;
}  // namespace ReadWriteEngineFilesX

// What a file was built from: the source file's last-write time (0 when unknown) and a hash of
// the meshes' positions, indices and surface flags.
struct CollisionFileStampX {
  int64_t mSourceTime = 0;
  uint64_t mGeometryHash = 0;

  bool operator==(const CollisionFileStampX& other) const {
    return mSourceTime == other.mSourceTime && mGeometryHash == other.mGeometryHash;
  }
  static CollisionFileStampX FromMeshes(const ArrayX<const MeshX*>& meshes, int64_t sourceTime);
};
