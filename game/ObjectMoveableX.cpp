#include "game/ObjectMoveableX.h"

#include "engine/ReportHooksX.h"
#include "loaders/Object3DX.h"
#include "render/IRenderDeviceX.h"

ObjectMoveableX::ObjectMoveableX(Object3DX* pobject3DX) : mObject3DX(pobject3DX) {
  KX_ASSERT(pobject3DX, "ObjectMoveableX::ObjectMoveableX");
  // No render thread reads a new object yet: both slots start with its placement.
  UpdateWorldMatrix();
  TakeRenderSnapshotBoth();
}

void ObjectMoveableX::Update(float dt) {
  Advance(dt, 1.0f);
  UpdateWorldMatrix();
  // After the matrix, so the render thread draws this frame's placement, not the last one.
  TakeRenderSnapshot();
}

void ObjectMoveableX::UpdateWorldMatrix() {
  Matrix4X placement;
  const Vector3fX* rows[3] = {&mRight, &mUp, &mDirection};
  for (int32_t i = 0; i < 3; ++i) {
    placement.m[i][0] = rows[i]->x;
    placement.m[i][1] = rows[i]->y;
    placement.m[i][2] = rows[i]->z;
    placement.m[i][3] = 0.0f;
  }
  placement.m[3][0] = mPosition.x;
  placement.m[3][1] = mPosition.y;
  placement.m[3][2] = mPosition.z;
  placement.m[3][3] = 1.0f;
  // Row vectors: the local placement of the model first, then the object's.
  mWorldMatrix = Matrix4X::Multiply(mLocalMatrix, placement);
}

const MeshX* ObjectMoveableX::GetCollisionMesh() const {
  return mObject3DX ? mObject3DX->GetMesh() : nullptr;
}

ObjectMoveableX* ObjectMoveableX::FromCollisionObject(ICollisionObjectX* object) {
  return dynamic_cast<ObjectMoveableX*>(object);
}

void RemoveAndDestroyObjectMoveable(IRenderDeviceX* device, ObjectMoveableX* moveable) {
  if (moveable && device) device->RemoveObjectMoveable(moveable);
  DestroyObjectMoveableAfterRender(device, moveable);
}

void DestroyObjectMoveableAfterRender(IRenderDeviceX* device, ObjectMoveableX* moveable) {
  if (!moveable) return;
  if (!device) {
    delete moveable;
    return;
  }
  device->RetireAfterRender([moveable] { delete moveable; });
}
