#include "collision/CollisionDataStructureManagerX.h"

#include "collision/CollisionBSPX.h"
#include "collision/CollisionHandlerX.h"
#include "collision/ReadCollisionBSPX.h"
#include "collision/SaveCollisionBSPX.h"
#include "engine/HighTimerX.h"
#include "engine/ReportHooksX.h"
#include "geometry/MeshX.h"

CollisionDataStructureManagerX::CollisionDataStructureManagerX(const StringX& folder,
                                                               ThreadManagerX* jobs)
    : mFolder(folder), mJobs(jobs) {}

CollisionDataStructureManagerX::~CollisionDataStructureManagerX() { mStructures.ClearAndDelete(); }

CollisionDataStructureBaseX* CollisionDataStructureManagerX::GetDataStructure(const StringX& name,
                                                                              uint32_t coltype,
                                                                              const MeshX& mesh,
                                                                              int64_t sourceTime) {
  if (CollisionDataStructureBaseX** found = mStructures.FindValue(name)) return *found;
  KX_ASSERT(coltype == CollisionHandlerX::BSP, "CollisionDataStructureManagerX::GetDataStructure");
  ArrayX<const MeshX*> meshes;
  meshes.Add(&mesh);
  return LoadOrBuild(name, meshes, sourceTime, false);
}

CollisionDataStructureBaseX* CollisionDataStructureManagerX::GetWorldDataStructure(
    const StringX& name, const ArrayX<const MeshX*>& meshes, int64_t sourceTime) {
  if (CollisionDataStructureBaseX** found = mStructures.FindValue(name)) return *found;
  return LoadOrBuild(name, meshes, sourceTime, true);
}

CollisionDataStructureBaseX* CollisionDataStructureManagerX::LoadOrBuild(
    const StringX& name, const ArrayX<const MeshX*>& meshes, int64_t sourceTime, bool world) {
  const CollisionFileStampX stamp = CollisionFileStampX::FromMeshes(meshes, sourceTime);
  {
    ReadCollisionBSPX reader(SaveCollisionBSPX::GetFileName(mFolder, name));
    if (reader.HasData()) {
      if (CollisionBSPX* tree = reader.GetBSPTree(stamp)) {
        mStructures.Add(tree, name);
        ++mLoaded;
        LogMessage(StringX("CollisionDataStructureManagerX, Loaded KorvelX-BSP file: ") + name);
        return tree;
      }
    }
  }
  // No usable file: build, keep and save.
  CollisionBSPX* tree = new CollisionBSPX(mJobs);
  HighTimerX timer;
  if (world) {
    LogMessage(StringX("CollisionBSPX, creating a BSP tree : ") + name);
    timer.Reset();
  }
  for (const MeshX* mesh : meshes) {
    if (mesh) tree->CreateFromMesh(*mesh);
  }
  tree->BuildTree();
  if (world) {
    LogMessage(StringX("CollisionBSPX, finished creating a BSP tree : ") + name +
               " time : " + timer.GetElapsedTimef());
  }
  mStructures.Add(tree, name);
  ++mBuilt;
  SaveCollisionBSPX saver(mFolder);
  saver.Save(*tree, name, stamp);
  LogMessage(StringX("CollisionDataStructureManagerX, Created KorvelX-BSP: ") + name);
  return tree;
}
