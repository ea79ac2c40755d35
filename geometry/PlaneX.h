#pragma once
// Planes and the relation of points and polygons to them.
#include <cstdint>

#include "geometry/VertexX.h"

// Relation of a point or a polygon to a plane.
enum Planes : uint32_t {
  ONPLANE = 1,
  BEHINDOFPLANE = 2,
  FRONTOFPLANE = 3,
  SPANNINGPLANE = 4,  // vertices on both sides; only polygon classification returns it
};

// The plane dot(normal, p) = d.
struct PlaneX {
  Vector3fX normal;
  float d = 0.f;

  constexpr PlaneX() = default;
  constexpr PlaneX(const Vector3fX& n, float distance) : normal(n), d(distance) {}

  // Signed distance dot(normal, p) - d.
  float Distance(const Vector3fX& p) const { return Dot(normal, p) - d; }
  Planes TestPointRelationToPlane(const Vector3fX& point, float eps = fEPSILON2) const;
  // Intersection of the segment start-end with the plane (computed in double). False when both
  // ends are on one side or an end is on the plane (t is then 0 or 1).
  bool TestLineIntersect(const Vector3fX& start, const Vector3fX& end, Vector3fX& outPoint,
                         float& outT) const;
  // The point itself when it is on the plane, else its projection onto the plane.
  Vector3fX ProjectPoint(const Vector3fX& point) const;
  bool IsPointOnPlane(const Vector3fX& point, float eps = fEPSILON2) const;
  // False when the normal is zero (within the ordering tolerance).
  bool IsValid() const;
};

// d first, then the normal, each within eps.
bool Equal(const PlaneX& a, const PlaneX& b, float eps = fEPSILON2);

// Double-precision plane for exact line/plane intersections.
struct PlaneDoubleX {
  Vector3dX normal;
  double d = 0.0;

  constexpr PlaneDoubleX() = default;
  constexpr PlaneDoubleX(const Vector3dX& n, double distance) : normal(n), d(distance) {}
  constexpr explicit PlaneDoubleX(const PlaneX& p) : normal(p.normal), d(p.d) {}

  double Distance(const Vector3fX& p) const { return Dot(normal, Vector3dX(p)) - d; }
  Planes TestPointRelationToPlane(const Vector3fX& point, double eps = fEPSILON2) const;
  bool IsValid() const;
  PlaneX ToFloat() const { return PlaneX(normal.ToFloat(), float(d)); }
  // Cuts the edge a-b; the result takes a's attributes with the position moved to the cut and
  // the texture coordinates interpolated along the edge. Near an end the end itself is returned.
  VertexX IntersectEdgeAgainstPlane(const VertexX& a, const VertexX& b) const;
};
