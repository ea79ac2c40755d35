#include "geometry/BoundingVolumesX.h"

#include <algorithm>

#include "engine/ReportHooksX.h"

namespace {
void Fold(Vector3fX& min, Vector3fX& max, const Vector3fX& p) {
  min = {std::min(min.x, p.x), std::min(min.y, p.y), std::min(min.z, p.z)};
  max = {std::max(max.x, p.x), std::max(max.y, p.y), std::max(max.z, p.z)};
}
}  // namespace

void BoundingVolumeX::FindMinMaxPointsAxisAlligned(const ArrayX<VertexX>& vertices, Vector3fX& min,
                                                   Vector3fX& max) {
  KX_ASSERT(vertices.Size() > 1, "BoundingVolumeX::FindMinMaxPointsAxisAlligned");
  for (const VertexX& v : vertices) Fold(min, max, v.position);
}

BoundingAxisAllignedBoxX::BoundingAxisAllignedBoxX(const ArrayX<VertexX>& vertices) {
  FindMinMaxPointsAxisAlligned(vertices, min, max);
}

void BoundingAxisAllignedBoxX::Grow(const ArrayX<Vector3fX>& points) {
  for (const Vector3fX& p : points) Fold(min, max, p);
}

void BoundingAxisAllignedBoxX::Grow(const ArrayX<VertexX>& vertices) {
  for (const VertexX& v : vertices) Fold(min, max, v.position);
}

void BoundingAxisAllignedBoxX::Grow(const Vector3fX& point) { Fold(min, max, point); }

void BoundingAxisAllignedBoxX::Enlarge(float amount) {
  min -= Vector3fX(amount, amount, amount);
  max += Vector3fX(amount, amount, amount);
}

bool BoundingAxisAllignedBoxX::Intersects(const BoundingAxisAllignedBoxX& box) const {
  if (min.x > box.max.x || min.y > box.max.y || min.z > box.max.z) return false;
  if (box.min.x > max.x || box.min.y > max.y || box.min.z > max.z) return false;
  return true;
}

bool BoundingAxisAllignedBoxX::Contains(const Vector3fX& p) const {
  return p.x >= min.x && p.x <= max.x && p.y >= min.y && p.y <= max.y && p.z >= min.z &&
         p.z <= max.z;
}
