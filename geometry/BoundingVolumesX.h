#pragma once
// Bounding volumes: the abstract volume and the axis-aligned box.
#include <cstdint>

#include "foundation/ArrayX.h"
#include "geometry/VertexX.h"

class BoundingVolumeX {
 public:
  virtual ~BoundingVolumeX() = default;
  virtual uint32_t GetType() const = 0;
  virtual void Grow(const ArrayX<Vector3fX>& points) = 0;
  virtual void Grow(const ArrayX<VertexX>& vertices) = 0;

  // Folds every vertex position into min and max.
  static void FindMinMaxPointsAxisAlligned(const ArrayX<VertexX>& vertices, Vector3fX& min,
                                           Vector3fX& max);
};

class BoundingAxisAllignedBoxX : public BoundingVolumeX {
 public:
  static constexpr uint32_t sType = 3;

  // Empty: min at +max float, max at -max float on all axes.
  BoundingAxisAllignedBoxX() = default;
  explicit BoundingAxisAllignedBoxX(const ArrayX<VertexX>& vertices);

  uint32_t GetType() const override { return sType; }
  void Grow(const ArrayX<Vector3fX>& points) override;
  void Grow(const ArrayX<VertexX>& vertices) override;
  void Grow(const Vector3fX& point);
  // Moves all six sides outwards by amount.
  void Enlarge(float amount);
  // Inclusive overlap on all three axes.
  bool Intersects(const BoundingAxisAllignedBoxX& box) const;
  bool Contains(const Vector3fX& point) const;
  bool IsEmpty() const { return min.x > max.x || min.y > max.y || min.z > max.z; }

  Vector3fX min{fMAX_FLOAT, fMAX_FLOAT, fMAX_FLOAT};
  Vector3fX max{-fMAX_FLOAT, -fMAX_FLOAT, -fMAX_FLOAT};
};
