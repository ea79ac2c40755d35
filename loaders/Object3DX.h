#pragma once
// Object3DX: a placed object of the world, a named reference to a mesh.
#include <cstdint>

#include "foundation/StringX.h"

class MeshX;

class Object3DX {
 public:
  // Named; the caller sets the mesh.
  explicit Object3DX(const StringX& name) : mName(name) {}
  // Over a mesh, unnamed.
  explicit Object3DX(MeshX* mesh) : mMesh(mesh) {}

  const StringX& GetName() const { return mName; }
  MeshX* GetMesh() const { return mMesh; }
  void SetMesh(MeshX* mesh) { mMesh = mesh; }

  MeshX* mMesh = nullptr;  // not owned
  StringX mName;
  uint8_t mFlag = 0;  // set to 1 by the environment on an object bound to a bot
};
