#pragma once
// Generators and helpers shared by the geometry tests: seeded random convex polygons placed in
// random planes, squares, and a reference point-in-convex-polygon test.
#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "geometry/PolygonX.h"

namespace geomtest {

inline VertexX MakeVertex(float x, float y, float z = 0.f) {
  VertexX v;
  v.position = {x, y, z};
  return v;
}

inline PolygonX MakePolygon(std::initializer_list<Vector3fX> points) {
  PolygonX polygon;
  for (const Vector3fX& p : points) {
    VertexX v;
    v.position = p;
    polygon.vertexList.Add(v);
  }
  return polygon;
}

// Counter-clockwise axis-aligned square in the z = 0 plane.
inline PolygonX Square(float x0, float y0, float x1, float y1) {
  return MakePolygon({{x0, y0, 0}, {x1, y0, 0}, {x1, y1, 0}, {x0, y1, 0}});
}

// An orthonormal frame: two in-plane axes and the normal.
struct FrameX {
  Vector3fX origin, u, v, n;
  Vector3fX At(float a, float b) const { return origin + u * a + v * b; }
};

class RandomGeometryX {
 public:
  explicit RandomGeometryX(uint32_t seed) : mRandom(seed) {}

  float Uniform(float lo, float hi) {
    return std::uniform_real_distribution<float>(lo, hi)(mRandom);
  }
  int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(mRandom); }

  Vector3fX UnitVector() {
    for (;;) {
      Vector3fX v(Uniform(-1, 1), Uniform(-1, 1), Uniform(-1, 1));
      if (v.LengthSquared() > 0.05f && v.LengthSquared() <= 1.f) return v.Normalized();
    }
  }

  FrameX Frame() {
    FrameX f;
    f.origin = {Uniform(-10, 10), Uniform(-10, 10), Uniform(-10, 10)};
    f.n = UnitVector();
    const Vector3fX helper = std::fabs(f.n.x) < 0.6f ? Vector3fX(1, 0, 0) : Vector3fX(0, 1, 0);
    f.u = Cross(helper, f.n).Normalized();
    f.v = Cross(f.n, f.u);
    return f;
  }

  // lo..hi angles in [0, 2 pi), sorted, each 0.15 to maxGap from the next around the circle.
  std::vector<float> SpacedAngles(int lo, int hi, float maxGap) {
    for (;;) {
      const int n = Int(lo, hi);
      std::vector<float> angles;
      for (int i = 0; i < n; ++i) angles.push_back(Uniform(0.f, 6.2831853f));
      std::sort(angles.begin(), angles.end());
      bool spaced = true;
      for (int i = 0; i < n; ++i) {
        const float gap = (i + 1 < n ? angles[i + 1] : angles[0] + 6.2831853f) - angles[i];
        spaced = spaced && gap >= 0.15f && gap <= maxGap;
      }
      if (spaced) return angles;
    }
  }

  // A convex polygon of 3..maxCorners corners on a circle (counter-clockwise around the frame
  // normal), with texture coordinates equal to its in-plane coordinates.
  PolygonX ConvexPolygon(FrameX& frame, int maxCorners = 10) {
    frame = Frame();
    const float radius = Uniform(0.5f, 4.f);
    PolygonX polygon;
    for (float angle : SpacedAngles(3, maxCorners, 3.0f)) {
      VertexX vertex;
      vertex.texCoord = {radius * std::cos(angle), radius * std::sin(angle)};
      vertex.position = frame.At(vertex.texCoord.u, vertex.texCoord.v);
      polygon.vertexList.Add(vertex);
    }
    return polygon;
  }

 private:
  std::mt19937 mRandom;
};

// Reference test: on or inside every edge of a convex counter-clockwise polygon (within eps).
inline bool ReferenceInside(const PolygonX& polygon, const Vector3fX& n, const Vector3fX& p,
                            float eps) {
  const uint32_t count = polygon.vertexList.Size();
  for (uint32_t i = 0; i < count; ++i) {
    const Vector3fX& a = polygon.vertexList[i].position;
    const Vector3fX& b = polygon.vertexList[(i + 1) % count].position;
    const Vector3fX inward = Cross(n, b - a).Normalized();
    if (Dot(inward, p - a) < -eps) return false;
  }
  return true;
}

inline float TotalArea(const ArrayX<PolygonX>& polygons) {
  float sum = 0.f;
  for (const PolygonX& p : polygons) sum += p.GetArea();
  return sum;
}

// Normal of the first turn (unnormalised), for winding comparisons.
inline Vector3fX TurnNormal(const PolygonX& p) {
  const Vector3fX& a = p.vertexList[0].position;
  return Cross(p.vertexList[1].position - a, p.vertexList[2].position - a);
}

}  // namespace geomtest
