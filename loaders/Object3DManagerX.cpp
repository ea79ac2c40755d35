#include "loaders/Object3DManagerX.h"

#include <atomic>

#include "assets/AssetManagerBaseX.h"
#include "assets/MaterialX.h"
#include "engine/ReportHooksX.h"
#include "streams/FileSystemX.h"

namespace {
// Numbers the unique objects of the whole process: the first one gets 1.
std::atomic<uint32_t> sUniqueObjectCounter{0};
}  // namespace

Object3DManagerX::Object3DManagerX(const StringX& root, AssetManagerBaseX* assets)
    : mAssets(assets) {
  AddFolder(root);
  AddFolder(StringX("Resources\\Models"));
  AddFolder(StringX("Resources\\maps"));
}

Object3DManagerX::~Object3DManagerX() {
  mMeshes.ClearAndDelete();
  mObjects.ClearAndDelete();
  for (MeshX* mesh : mSharedExtraMeshes) delete mesh;
  for (MeshX* mesh : mAlwaysExtraMeshes) delete mesh;
  for (Object3DX* object : mExtraObjects) delete object;
  mFolders.Clear();
}

void Object3DManagerX::AddFolder(const StringX& folder) {
  if (folder.Empty()) return;
  StringX path = folder;
  if (path[path.Size() - 1] != '\\') path += '\\';
  mFolders.Add(path);
}

MeshX* Object3DManagerX::GetMeshX(const StringX& name) {
  MeshX** mesh = mMeshes.FindValue(name);
  KX_ASSERT_MSG(mesh, "Object3DManagerX::GetMeshX", "ite != mMeshes.end()");
  return mesh ? *mesh : nullptr;
}

MeshX* Object3DManagerX::FindPrimitiveMesh(const StringX& key, uint32_t kind, uint32_t a,
                                           uint32_t b) const {
  MeshX** entered = mMeshes.FindValue(key);
  if (entered && (*entered)->IsPrimitive(kind, a, b)) return *entered;
  for (MeshX* mesh : mSharedExtraMeshes) {
    if (mesh->IsPrimitive(kind, a, b)) return mesh;
  }
  return nullptr;
}

void Object3DManagerX::Track(MeshX* mesh, const StringX& key, ArrayX<MeshX*>& refused) {
  if (!mMeshes.Add(mesh, key)) refused.Add(mesh);
}

void Object3DManagerX::Track(Object3DX* object, const StringX& key) {
  if (!mObjects.Add(object, key)) mExtraObjects.Add(object);
}

MeshX* Object3DManagerX::GetPrimitiveMeshX(uint32_t kind, uint32_t a, uint32_t b, bool always) {
  const StringX key = MeshX::GetPrimitiveName(kind, a, b);
  if (key.Empty()) return nullptr;  // unknown kind, reported
  if (!always) {
    if (MeshX* mesh = FindPrimitiveMesh(key, kind, a, b)) return mesh;
    MeshX* mesh = new MeshX(kind, a, b);
    if (MaterialX* material =
            GetAssetFrom<MaterialX>(mAssets, StringX("Material") + mesh->GetName())) {
      mesh->mMaterials.Add(material);
    }
    Track(mesh, key, mSharedExtraMeshes);
    LogMessage(StringX("Object3DManager, Created Primitive Mesh: ") + key);
    return mesh;
  }
  MeshX* mesh = new MeshX(kind, a, b);
  Track(mesh, mesh->GetName(), mAlwaysExtraMeshes);
  LogMessage(StringX("Object3DManager, Created Primitive Mesh (always): ") + key);
  return mesh;
}

Object3DX* Object3DManagerX::GetObject3DX(const StringX& name) {
  if (name.Empty()) return nullptr;
  if (Object3DX** object = mObjects.FindValue(name)) return *object;
  // Every call makes a further object (each bot needs its own); the manager keeps them all.
  // A mesh that could not be read gives no object: the loader has logged why.
  MeshX* mesh = GetAssetFrom<MeshX>(mAssets, name);
  if (!mesh) {
    LogMessage(StringX("Object3DManager, no object for ") + name +
               ": its mesh could not be loaded");
    return nullptr;
  }
  Object3DX* object = new Object3DX(name);
  object->mMesh = mesh;
  mExtraObjects.Add(object);
  return object;
}

Object3DX* Object3DManagerX::GetPrimitiveObject3DX(uint32_t kind, const StringX& name, uint32_t a,
                                                   uint32_t b, bool uniqueObject,
                                                   bool alwaysNewMesh) {
  if (!name.Empty() && !uniqueObject) {
    if (Object3DX** object = mObjects.FindValue(name)) return *object;
  }
  Object3DX* object = new Object3DX(name);
  if (uniqueObject) object->mName = name + " - " + (++sUniqueObjectCounter);
  object->mMesh = GetPrimitiveMeshX(kind, a, b, alwaysNewMesh);
  Track(object, object->mName);
  return object;
}

StringX Object3DManagerX::FindFile(const StringX& name) const {
  for (const StringX& folder : mFolders) {
    const StringX path = folder + name;
    FileSystemX::FileHandleX handle = FileSystemX::CreateFile(
        path, FileSystemX::FILE_NOACCESS | FileSystemX::FILE_OPENEXISTING, false);
    if (handle) {
      FileSystemX::CloseFile(handle);
      return path;
    }
  }
  return StringX();
}
