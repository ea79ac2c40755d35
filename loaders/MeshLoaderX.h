#pragma once
// MeshLoaderX: fills a MeshX from a model or map file when the mesh asset generates itself.
// The reader is chosen by the file extension; its sub-meshes are combined into the one mesh,
// one section and one material per sub-mesh, identical vertices shared.
#include <cstdint>

#include "foundation/ArrayX.h"
#include "foundation/StringX.h"

class AssetManagerBaseX;
class MeshX;

enum MeshTypeX : uint32_t {
  MESHTYPE_3DS = 1,
  MESHTYPE_BSP = 2,
  MESHTYPE_MD2 = 4,
  MESHTYPE_UNKNOWN = 8,
};

class MeshLoaderX {
 public:
  virtual ~MeshLoaderX() = default;
  // Loads the file `fileName` (found directly or through the search paths) into the empty
  // `mesh`, with materials from the mesh's asset manager. False, with a log line saying why,
  // when the file is unknown, missing, damaged or holds no geometry.
  virtual bool LoadMesh(const StringX& fileName, MeshX& mesh) = 0;

  // The type of a file name by its extension (A-Z compared as a-z).
  static uint32_t GetMeshType(const StringX& fileName);

  // Creates the engine's mesh loader and installs it as the loader of mesh assets.
  static void CreateSingleton();
  static void DestroySingleton();

  MeshLoaderX(const MeshLoaderX&);
  MeshLoaderX& operator=(const MeshLoaderX&) = delete;

 protected:
  MeshLoaderX() = default;
};

class MeshLoaderImplX : public MeshLoaderX {
 public:
  bool LoadMesh(const StringX& fileName, MeshX& mesh) override;
  // Makes `mesh` the mesh named `fileName` made of the sub-meshes, which are deleted.
  static void CombineMeshes(ArrayX<MeshX*>& subMeshes, const StringX& fileName, MeshX& mesh);

 private:
  // Runs the reader of `type` on `path`, with materials from `assets`; false when it fails.
  static bool ReadSubMeshes(uint32_t type, const StringX& path, AssetManagerBaseX* assets,
                            ArrayX<MeshX*>& outMeshes);
};

extern MeshLoaderX* sMeshLoaderX;
inline MeshLoaderX* GetMeshLoader() { return sMeshLoaderX; }
