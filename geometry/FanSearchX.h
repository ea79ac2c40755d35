#pragma once
// Point in convex polygon by binary search over the triangle fan from the first vertex; shared
// by PolygonX and PolygonLightX. Points on the boundary count as inside.
#include <cstdint>

#include "geometry/Vector3fX.h"

namespace FanSearchX {
// Boundary tolerance (a distance) around a point: far below the 1e-5 of the engine's other
// tests near the origin, and growing with the coordinates just enough to absorb the rounding
// of a float point computed on an edge.
inline float BoundaryTolerance(const Vector3fX& p) {
  const float largest = std::fmax(std::fabs(p.x), std::fmax(std::fabs(p.y), std::fabs(p.z)));
  return 1e-6f + 2.4e-7f * largest;
}

// Signed distance-like side of point relative to the directed line a->b around normal n:
// positive to the left. Scaled to a distance so one tolerance fits all edge lengths.
inline float Side(const Vector3fX& a, const Vector3fX& b, const Vector3fX& point,
                  const Vector3fX& n) {
  const Vector3fX edge = b - a;
  const float length = edge.Length();
  const float side = Dot(Cross(edge, point - a), n);
  return length > 0.f ? side / length : side;
}

template <class GetPosition>
bool ContainsPoint(uint32_t count, GetPosition position, const Vector3fX& n,
                   const Vector3fX& point) {
  if (count < 3) return false;
  const Vector3fX p0 = position(0);
  const float tolerance = BoundaryTolerance(point);
  uint32_t lo = 0;
  uint32_t hi = count;
  while (lo + 1 < hi) {
    const uint32_t mid = (lo + hi) / 2;
    if (Side(p0, position(mid), point, n) < -tolerance) {
      hi = mid;
    } else {
      lo = mid;
    }
  }
  if (lo == 0) return false;
  if (hi == count) {
    // Beyond the last fan edge: inside only when on the closing edge p(count-1) -> p0.
    const Vector3fX last = position(count - 1);
    if (Side(last, p0, point, n) < -tolerance || Side(p0, last, point, n) < -tolerance) {
      return false;
    }
    const Vector3fX edge = p0 - last;
    const float t = Dot(point - last, edge);
    return t >= -tolerance && t <= edge.LengthSquared() + tolerance;
  }
  return Side(position(lo), position(hi), point, n) >= -tolerance;
}
}  // namespace FanSearchX
