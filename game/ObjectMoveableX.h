#pragma once
// ObjectMoveableX: a drawn object that moves (bots, shots). It moves by the shared movement
// model and draws its Object3DX with a world matrix built from its basis and position, combined
// with a local matrix that places the model inside the object. The collision handler sees it as
// its object's mesh placed by the same world matrix.
#include "collision/CollisionHandlerX.h"
#include "game/Movement3DX.h"
#include "geometry/Matrix4X.h"

class IRenderDeviceX;
class Object3DX;

class ObjectMoveableX : public Movement3DX, public ICollisionObjectX {
 public:
  // The drawn object is required; it belongs to the object manager.
  explicit ObjectMoveableX(Object3DX* pobject3DX);
  ~ObjectMoveableX() override = default;

  // Moves and turns by the speeds, builds the world matrix and takes the render snapshot.
  void Update(float dt) override;
  // Rebuilds mWorldMatrix from the basis, the position and mLocalMatrix.
  void UpdateWorldMatrix();

  Object3DX* GetObject3DX() const { return mObject3DX; }
  // The render device draws the object's mesh with the snapshot's matrix and frames.
  Object3DX* GetRenderObject() const override { return mObject3DX; }

  // The collision handler's view (engine thread): the live world matrix and the object's mesh.
  const Matrix4X& GetCollisionMatrix() const override { return mWorldMatrix; }
  const MeshX* GetCollisionMesh() const override;
  // The moving object behind a collision handler's hit; null when it is not one.
  static ObjectMoveableX* FromCollisionObject(ICollisionObjectX* object);

  Object3DX* mObject3DX = nullptr;
  Matrix4X mLocalMatrix;
};

// Takes a moving object out of the drawing and deletes it once the render thread has let go of
// it: the render device removes its renderable at the next frame start, and only after that
// the object is deleted, on the engine thread, when the engine collects the device's retired
// objects (IRenderDeviceX::CollectRetired, once per frame). Without a device the object is
// deleted at once. Unregister it from the collision handler and the environment first.
void RemoveAndDestroyObjectMoveable(IRenderDeviceX* device, ObjectMoveableX* moveable);
// The same for an object whose removal from the device is already posted.
void DestroyObjectMoveableAfterRender(IRenderDeviceX* device, ObjectMoveableX* moveable);
