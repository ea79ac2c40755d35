#pragma once
// What the render thread holds for every object it draws: made from an object when its addition
// is applied at a frame start, prepared and drawn every frame, deleted when its removal is
// applied. Created, used and deleted on the render thread only.
#include <cstdint>

#include "geometry/Matrix4X.h"

class IRenderableObjectX {
 public:
  virtual ~IRenderableObjectX() = default;
  // Per-frame set-up from the frame's view x projection; renderIndex selects the snapshot slot
  // of the object's matrices that the render thread reads.
  virtual void Prepare(const Matrix4X& viewProjection, int32_t renderIndex) = 0;
  virtual void Draw() = 0;
};
