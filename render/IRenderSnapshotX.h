#pragma once
// What the render thread reads of something that moves: per snapshot slot, its matrix (a moving
// object's world matrix, the camera's view matrix), its position and its animation frames. The
// engine thread writes the slot of its buffer index while the render thread reads the slot of
// its own, so neither sees the other's half-written frame. A moving object also names the
// object it draws.
#include <cstdint>

#include "geometry/Matrix4X.h"
#include "geometry/Vector3fX.h"

class Object3DX;

class IRenderSnapshotX {
 public:
  virtual const Matrix4X& GetRenderMatrix(int32_t renderIndex) const = 0;
  virtual const Vector3fX& GetRenderPosition(int32_t renderIndex) const = 0;
  // The key frames drawn and the blend between them (0: frameFrom, 1: frameTo).
  virtual void GetRenderFrames(int32_t renderIndex, uint32_t& frameFrom, uint32_t& frameTo,
                               float& frameFraction) const = 0;
  // The object whose mesh is drawn with the matrix; null for what draws nothing (the camera).
  virtual Object3DX* GetRenderObject() const { return nullptr; }

 protected:
  ~IRenderSnapshotX() = default;
};
