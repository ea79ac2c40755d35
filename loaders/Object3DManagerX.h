#pragma once
// Object3DManagerX: hands out objects and meshes by name, shares meshes between objects, builds
// primitive meshes on demand and remembers the folders model and map files are looked for in.
// Used from the engine thread only.
#include <cstdint>

#include "foundation/ArrayX.h"
#include "foundation/BinarySearchTreeX.h"
#include "foundation/StringX.h"
#include "geometry/MeshX.h"
#include "loaders/Object3DX.h"

class AssetManagerBaseX;

class Object3DManagerX {
 public:
  // Adds the folders root, "Resources\Models" and "Resources\maps". Meshes and materials come
  // from `assets`.
  Object3DManagerX(const StringX& root, AssetManagerBaseX* assets);
  // Deletes every primitive mesh and every object it handed out.
  ~Object3DManagerX();
  Object3DManagerX(const Object3DManagerX&) = delete;
  Object3DManagerX& operator=(const Object3DManagerX&) = delete;

  // Ignores an empty folder; appends a backslash when the folder does not end in one.
  void AddFolder(const StringX& folder);
  const ArrayX<StringX>& GetFolders() const { return mFolders; }

  // The primitive mesh entered under name; null (and reported) when there is none.
  MeshX* GetMeshX(const StringX& name);
  // The shared primitive mesh of (kind, a, b), built on first use; with always a new one.
  MeshX* GetPrimitiveMeshX(uint32_t kind, uint32_t a, uint32_t b, bool always);
  // The object of that name, or a new object over the mesh asset of that name.
  Object3DX* GetObject3DX(const StringX& name);
  // A named object over a primitive mesh; unique objects get " - n" appended to the name.
  Object3DX* GetPrimitiveObject3DX(uint32_t kind, const StringX& name, uint32_t a, uint32_t b,
                                   bool uniqueObject, bool alwaysNewMesh);
  // folder + name for the first folder in which the file exists, else an empty string.
  StringX FindFile(const StringX& name) const;

 private:
  // The shared mesh built for exactly (kind, a, b), or null.
  MeshX* FindPrimitiveMesh(const StringX& key, uint32_t kind, uint32_t a, uint32_t b) const;
  // Enters the mesh or object in its table; one the table refuses (its name is taken) is kept
  // in the given side list, so it is still freed with the manager.
  void Track(MeshX* mesh, const StringX& key, ArrayX<MeshX*>& refused);
  void Track(Object3DX* object, const StringX& key);

  AssetManagerBaseX* mAssets = nullptr;
  ArrayX<StringX> mFolders;
  BinarySearchTreeX<MeshX*, StringX> mMeshes;       // owned
  BinarySearchTreeX<Object3DX*, StringX> mObjects;  // owned
  // Owned meshes and objects handed out without an entry in the tables above: shared
  // primitive meshes whose name another primitive already holds (the numbers of a name run
  // together, so 1 and 12 name the same mesh as 11 and 2), meshes of the always path, and
  // objects made over mesh assets.
  ArrayX<MeshX*> mSharedExtraMeshes;
  ArrayX<MeshX*> mAlwaysExtraMeshes;
  ArrayX<Object3DX*> mExtraObjects;
};
