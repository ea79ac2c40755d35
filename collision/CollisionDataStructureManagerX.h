#pragma once
// CollisionDataStructureManagerX: the engine-wide cache of collision structures by name. A
// request returns the structure in memory, else reads its ".bpX" file when that file is valid
// and was built from the same source, else builds the structure and saves its file.
#include <cstdint>

#include "collision/ReadWriteEngineFilesX.h"
#include "foundation/ArrayX.h"
#include "foundation/BinarySearchTreeX.h"
#include "foundation/StringX.h"

class CollisionDataStructureBaseX;
class MeshX;
class ThreadManagerX;

class CollisionDataStructureManagerX {
 public:
  // Files live in `folder`; trees are built with the job threads of `jobs` (may be null).
  explicit CollisionDataStructureManagerX(const StringX& folder, ThreadManagerX* jobs = nullptr);
  ~CollisionDataStructureManagerX();
  CollisionDataStructureManagerX(const CollisionDataStructureManagerX&) = delete;
  CollisionDataStructureManagerX& operator=(const CollisionDataStructureManagerX&) = delete;

  // The structure of one mesh (a static mesh or an object's collision group). sourceTime is
  // the source file's last-write time when known (0 otherwise).
  CollisionDataStructureBaseX* GetDataStructure(const StringX& name, uint32_t coltype,
                                                const MeshX& mesh, int64_t sourceTime = 0);
  // The world's structure over all meshes of the map, built as one tree.
  CollisionDataStructureBaseX* GetWorldDataStructure(const StringX& name,
                                                     const ArrayX<const MeshX*>& meshes,
                                                     int64_t sourceTime = 0);

  const StringX& GetFolder() const { return mFolder; }
  // Counters for tests and the log: structures read from files and built.
  uint32_t GetLoadedCount() const { return mLoaded; }
  uint32_t GetBuiltCount() const { return mBuilt; }

 private:
  CollisionDataStructureBaseX* LoadOrBuild(const StringX& name, const ArrayX<const MeshX*>& meshes,
                                           int64_t sourceTime, bool world);

  StringX mFolder;
  ThreadManagerX* mJobs = nullptr;
  BinarySearchTreeX<CollisionDataStructureBaseX*, StringX> mStructures;
  uint32_t mLoaded = 0;
  uint32_t mBuilt = 0;
};
