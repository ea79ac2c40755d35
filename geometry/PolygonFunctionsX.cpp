#include "geometry/PolygonFunctionsX.h"

#include "engine/ReportHooksX.h"
#include "geometry/FanSearchX.h"

namespace {
constexpr double kParallel = 1e-15;
constexpr double dPARAMETER_EPSILON = 1e-5;

double Clamp01(double v) { return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v); }

bool IsInterior(double parameter) {
  return parameter > dPARAMETER_EPSILON && parameter < 1.0 - dPARAMETER_EPSILON;
}

bool SamePlane(const PolygonX& polygon0, const PolygonX& polygon1) {
  PlaneX plane0;
  PlaneX plane1;
  if (!polygon0.GetWorkingPlane(plane0) || !polygon1.GetWorkingPlane(plane1)) return false;
  return Equal(plane0.d, plane1.d, fEDGE_EPSILON) && Equal(plane0.normal, plane1.normal);
}

VertexX Midpoint(const VertexX& a, const VertexX& b) {
  auto mid = [](float x, float y) { return x + (y - x) * 0.5f; };
  VertexX m = a;
  m.position = a.position + (b.position - a.position) * 0.5f;
  m.normal = a.normal + (b.normal - a.normal) * 0.5f;
  m.texCoord = {mid(a.texCoord.u, b.texCoord.u), mid(a.texCoord.v, b.texCoord.v)};
  m.lightmapCoord = {mid(a.lightmapCoord.u, b.lightmapCoord.u),
                     mid(a.lightmapCoord.v, b.lightmapCoord.v)};
  return m;
}

// Appends a vertex unless it repeats the one appended last (a cut that falls on a corner).
void AddDistinct(PolygonX& polygon, const VertexX& vertex) {
  const uint32_t n = polygon.vertexList.Size();
  if (n > 0 && polygon.vertexList[n - 1] == vertex) return;
  polygon.vertexList.Add(vertex);
}
void CloseDistinct(PolygonX& polygon) {
  const uint32_t n = polygon.vertexList.Size();
  if (n > 1 && polygon.vertexList[n - 1] == polygon.vertexList[0]) {
    polygon.vertexList.RemoveStable(n - 1);
  }
}

// Point in the triangle a-b-c (around normal n), boundary included.
bool InTriangle(const Vector3fX& a, const Vector3fX& b, const Vector3fX& c, const Vector3fX& p,
                const Vector3fX& n) {
  const float tolerance = FanSearchX::BoundaryTolerance(p);
  return FanSearchX::Side(a, b, p, n) >= -tolerance && FanSearchX::Side(b, c, p, n) >= -tolerance &&
         FanSearchX::Side(c, a, p, n) >= -tolerance;
}
}  // namespace

namespace Line3DFunctions {
ClosestPointsX ClosestPointsSegments(const Vector3fX& p0, const Vector3fX& p1, const Vector3fX& q0,
                                     const Vector3fX& q1) {
  const Vector3dX P0(p0);
  const Vector3dX Q0(q0);
  const Vector3dX d1 = Vector3dX(p1) - P0;
  const Vector3dX d2 = Vector3dX(q1) - Q0;
  const Vector3dX r = P0 - Q0;
  const double a = Dot(d1, d1);
  const double c = Dot(d2, d2);
  const double f = Dot(d2, r);
  ClosestPointsX result;
  if (a <= kParallel && c <= kParallel) {
    result.s = result.t = 0.0;
  } else if (a <= kParallel) {
    result.s = 0.0;
    result.t = Clamp01(f / c);
  } else {
    const double e = Dot(d1, r);
    if (c <= kParallel) {
      result.t = 0.0;
      result.s = Clamp01(-e / a);
    } else {
      const double b = Dot(d1, d2);
      const double denom = a * c - b * b;
      result.s = denom < kParallel ? 0.0 : Clamp01((b * f - c * e) / denom);
      result.t = (b * result.s + f) / c;
      if (result.t < 0.0) {
        result.t = 0.0;
        result.s = Clamp01(-e / a);
      } else if (result.t > 1.0) {
        result.t = 1.0;
        result.s = Clamp01((b - e) / a);
      }
    }
  }
  result.pointFirst = P0 + d1 * result.s;
  result.pointSecond = Q0 + d2 * result.t;
  result.distance = (result.pointFirst - result.pointSecond).Length();
  return result;
}

ClosestPointsX ClosestPointsLines(const Vector3fX& p0, const Vector3fX& p1, const Vector3fX& q0,
                                  const Vector3fX& q1) {
  const Vector3dX P0(p0);
  const Vector3dX Q0(q0);
  const Vector3dX u = Vector3dX(p1) - P0;
  const Vector3dX v = Vector3dX(q1) - Q0;
  const Vector3dX w = P0 - Q0;
  const double a = Dot(u, u);
  const double b = Dot(u, v);
  const double c = Dot(v, v);
  const double d = Dot(u, w);
  const double e = Dot(v, w);
  const double denom = a * c - b * b;
  ClosestPointsX result;
  if (denom < kParallel) {
    result.t = 0.0;
    result.s = a > 0.0 ? -d / a : 0.0;
  } else {
    result.s = (b * e - c * d) / denom;
    result.t = (a * e - b * d) / denom;
  }
  result.pointFirst = P0 + u * result.s;
  result.pointSecond = Q0 + v * result.t;
  result.distance = (result.pointFirst - result.pointSecond).Length();
  return result;
}

double DistancePointLine(const Vector3fX& point, const Vector3fX& a, const Vector3fX& b) {
  const Vector3dX A(a);
  const Vector3dX ab = Vector3dX(b) - A;
  const Vector3dX ap = Vector3dX(point) - A;
  const double lengthSquared = ab.LengthSquared();
  if (lengthSquared <= 0.0) return ap.Length();
  const Vector3dX projection = A + ab * (Dot(ap, ab) / lengthSquared);
  return (Vector3dX(point) - projection).Length();
}
}  // namespace Line3DFunctions

namespace PolygonFunctions {
bool GetLine(const PolygonX& polygon, uint32_t i, Line3DX& outSegment) {
  const uint32_t n = polygon.vertexList.Size();
  if (n < 2) return false;
  outSegment.start = polygon.vertexList[i % n].position;
  outSegment.end = polygon.vertexList[(i + 1) % n].position;
  return true;
}

bool TestPointIntersection(const PolygonX& polygon, const Vector3fX& point, bool includeBoundary,
                           float eps) {
  const uint32_t n = polygon.vertexList.Size();
  for (uint32_t i = 0; i < n; ++i) {
    if (Equal(polygon.vertexList[i].position, point, eps)) return includeBoundary;
  }
  // A ray parameter this close to 1 (as a distance) puts the point on the edge itself; it only
  // absorbs the rounding of a point computed on an edge.
  const double dON_EDGE = FanSearchX::BoundaryTolerance(point);
  const double eps2 = double(eps) * double(eps);
  bool flag = true;
  for (uint32_t i = 0; i < n; ++i) {
    const Vector3fX& origin = polygon.vertexList[i].position;
    const double rayLength = (Vector3dX(point) - Vector3dX(origin)).Length();
    for (uint32_t j = 0; j < n; ++j) {
      if (j == i || (j + 1) % n == i) continue;
      Line3DX edge;
      if (!GetLine(polygon, j, edge)) continue;
      const ClosestPointsX hit =
          Line3DFunctions::ClosestPointsLines(origin, point, edge.start, edge.end);
      const double t = hit.s;  // along the ray from the vertex through the point
      const double s = hit.t;  // along the edge
      if (flag) flag = IsZero(s, dPARAMETER_EPSILON) || IsZero(s - 1.0, dPARAMETER_EPSILON);
      const bool atPoint = std::fabs(t - 1.0) * rayLength <= dON_EDGE;
      if (!(s > 0.0 && s < 1.0) || !(t >= 1.0 || atPoint)) continue;
      const double d2 = (hit.pointFirst - Vector3dX(point)).LengthSquared();
      if (!atPoint) {
        if (t - 1.0 > dPARAMETER_EPSILON || includeBoundary || d2 <= eps2) return true;
      } else if (includeBoundary) {
        return true;  // on the edge: within the band, d2 is below eps2 up to rounding
      }
    }
  }
  return flag;
}

bool IsPlanar(const PolygonX& polygon) {
  KX_ASSERT(polygon.HasCreatedPlane(), "PolygonFunctions::IsPlanar");
  KX_ASSERT(polygon.vertexList.Size() > 2, "PolygonFunctions::IsPlanar");
  PlaneX plane;
  if (!polygon.GetWorkingPlane(plane)) return false;
  for (uint32_t i = 0; i < polygon.vertexList.Size(); ++i) {
    if (!plane.IsPointOnPlane(polygon.vertexList[i].position, fEPSILON2)) return false;
  }
  return true;
}

bool HasLineVertices(const PolygonX& polygon, uint32_t index, uint32_t& outFirst,
                     uint32_t& outLast) {
  KX_ASSERT(polygon.vertexList.Size() > 2, "PolygonFunctions::HasLineVertices");
  const uint32_t n = polygon.vertexList.Size();
  if (n < 3) return false;
  auto position = [&](uint32_t i) -> const Vector3fX& { return polygon.vertexList[i].position; };
  uint32_t first = index % n;
  uint32_t last = (first + 1) % n;
  for (uint32_t candidate = (last + 1) % n; candidate != first; candidate = (last + 1) % n) {
    if (Line3DFunctions::DistancePointLine(position(candidate), position(first), position(last)) >=
        3e-5) {
      break;
    }
    last = candidate;
  }
  for (uint32_t candidate = (first + n - 1) % n; candidate != last;
       candidate = (first + n - 1) % n) {
    if (Line3DFunctions::DistancePointLine(position(candidate), position(first), position(last)) >=
        1e-5) {
      break;
    }
    first = candidate;
  }
  outFirst = first;
  outLast = last;
  return (last + n - first) % n >= 2;
}

void GetIndexsWithoutLineVertices(const PolygonX& polygon, ArrayX<uint32_t>& outIndexList) {
  const uint32_t n = polygon.vertexList.Size();
  ArrayX<uint32_t> indexList;
  for (uint32_t i = 0; i < n; ++i) indexList.Add(i);
  // Drop every vertex that lies on the line through its neighbouring corners until only corners
  // are left; the walk starts at vertex 0 and keeps the winding order.
  uint32_t k = 0;
  uint32_t sinceRemoval = 0;
  while (indexList.Size() >= 3 && sinceRemoval < indexList.Size()) {
    const uint32_t m = indexList.Size();
    k %= m;
    const Vector3fX& prev = polygon.vertexList[indexList[(k + m - 1) % m]].position;
    const Vector3fX& here = polygon.vertexList[indexList[k]].position;
    const Vector3fX& next = polygon.vertexList[indexList[(k + 1) % m]].position;
    if (Line3DFunctions::DistancePointLine(here, prev, next) < 3e-5) {
      indexList.RemoveStable(k);
      sinceRemoval = 0;
    } else {
      ++k;
      ++sinceRemoval;
    }
  }
  KX_ASSERT(indexList.Size() <= polygon.vertexList.Size(),
            "PolygonFunctions::GetIndexsWithoutLineVertices");
  outIndexList = indexList;
}

float GetMaxLengthEdge(const PolygonX& poly, uint32_t& outIndex0, uint32_t& outIndex1) {
  KX_ASSERT(poly.vertexList.Size() > 2, "PolygonFunctions::GetMaxLengthEdge");
  const uint32_t n = poly.vertexList.Size();
  float best = -1.f;
  outIndex0 = outIndex1 = INVALID32;
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t j = (i + 1) % n;
    const float length =
        (poly.vertexList[j].position - poly.vertexList[i].position).LengthSquared();
    if (length > best) {
      best = length;
      outIndex0 = i;
      outIndex1 = j;
    }
  }
  return best < 0.f ? 0.f : best;
}

void SubdividePolygons(ArrayX<PolygonX>& polygons, float maxEdgeLength) {
  if (!(maxEdgeLength > 0.f)) {
    KX_ASSERT_MSG(false, "PolygonFunctions::SubdividePolygons", "maxEdgeLength > 0");
    return;
  }
  const float maxEdgeLengthSqr = maxEdgeLength * maxEdgeLength;
  for (uint32_t i = 0; i < polygons.Size(); ++i) {
    KX_ASSERT(polygons[i].vertexList.Size() == 3, "PolygonFunctions::SubdividePolygons");
    if (polygons[i].vertexList.Size() != 3) continue;
    KX_ASSERT(polygons[i].IsAPolygon(), "PolygonFunctions::SubdividePolygons");
    uint32_t vertIndex0 = 0;
    uint32_t vertIndex1 = 0;
    for (;;) {
      const PolygonX poly = polygons[i];
      if (!(GetMaxLengthEdge(poly, vertIndex0, vertIndex1) > maxEdgeLengthSqr)) break;
      const VertexX mid = Midpoint(poly.vertexList[vertIndex0], poly.vertexList[vertIndex1]);
      // Floats cannot halve an edge any further: stop rather than loop for ever.
      if (mid.position.IsSame(poly.vertexList[vertIndex0].position) ||
          mid.position.IsSame(poly.vertexList[vertIndex1].position)) {
        break;
      }
      PolygonX first = poly;   // a, mid, c
      PolygonX second = poly;  // mid, b, c
      first.vertexList[vertIndex1] = mid;
      second.vertexList[vertIndex0] = mid;
      auto check = [](const PolygonX& newPoly) {
        KX_ASSERT(newPoly.IsAPolygon(), "PolygonFunctions::SubdividePolygons");
      };
      check(first);
      check(second);
      polygons[i] = first;
      polygons.Add(second);
    }
    const PolygonX& poly = polygons[i];
    KX_ASSERT(GetMaxLengthEdge(poly, vertIndex0, vertIndex1) <= maxEdgeLengthSqr,
              "PolygonFunctions::SubdividePolygons");
  }
}

void SubdividePolygon(const PolygonX& polygon, ArrayX<PolygonX>& outList, float maxEdgeLength) {
  ArrayX<PolygonX> work;
  work.Add(polygon);
  SubdividePolygons(work, maxEdgeLength);
  for (uint32_t i = 0; i < work.Size(); ++i) outList.Add(work[i]);
}

bool ContainsPolygon(const PolygonX& outer, const PolygonX& inner) {
  if (!SamePlane(outer, inner)) return false;
  for (uint32_t i = 0; i < inner.vertexList.Size(); ++i) {
    if (!TestPointIntersection(outer, inner.vertexList[i].position, true)) return false;
  }
  return true;
}

bool ContainsPolygonNoBoundary(const PolygonX& outer, const PolygonX& inner) {
  if (!SamePlane(outer, inner)) return false;
  for (uint32_t i = 0; i < inner.vertexList.Size(); ++i) {
    if (!TestPointIntersection(outer, inner.vertexList[i].position, false)) return false;
  }
  return true;
}

bool Overlappes(const PolygonX& polygon0, const PolygonX& polygon1) {
  const uint32_t n0 = polygon0.vertexList.Size();
  const uint32_t n1 = polygon1.vertexList.Size();
  for (uint32_t i = 0; i < n0; ++i) {
    Line3DX e0;
    if (!GetLine(polygon0, i, e0)) continue;
    for (uint32_t j = 0; j < n1; ++j) {
      Line3DX e1;
      if (!GetLine(polygon1, j, e1)) continue;
      const ClosestPointsX hit =
          Line3DFunctions::ClosestPointsSegments(e0.start, e0.end, e1.start, e1.end);
      if (hit.distance > dPARAMETER_EPSILON) continue;
      const bool sInterior = IsInterior(hit.s);
      const bool tInterior = IsInterior(hit.t);
      if (sInterior && tInterior) {
        bool nearEnd = false;
        for (const Vector3fX& end : {e0.start, e0.end, e1.start, e1.end}) {
          if ((hit.pointFirst - Vector3dX(end)).LengthSquared() <= 1e-10) nearEnd = true;
        }
        if (!nearEnd) return true;
        continue;
      }
      if (!sInterior && !tInterior) continue;
      if (tInterior) {
        const Vector3fX mid = e0.start + (e0.end - e0.start) * 0.5f;
        if (TestPointIntersection(polygon1, mid, false, 0.01f)) return true;
      } else {
        const Vector3fX mid = e1.start + (e1.end - e1.start) * 0.5f;
        if (TestPointIntersection(polygon0, mid, false, 0.01f)) return true;
      }
    }
  }
  return false;
}

bool Intersects(const PolygonX& polygon0, const PolygonX& polygon1) {
  if (SamePlane(polygon0, polygon1)) return Overlappes(polygon0, polygon1);
  KX_ASSERT_MSG(false, "PolygonFunctions::Intersects", "Not done yet");
  return true;
}

bool GetEdgePlane(const PolygonX& polygon, uint32_t i, PlaneDoubleX& outPlane) {
  const uint32_t count = polygon.vertexList.Size();
  PlaneX polygonPlane;
  if (count < 2 || !polygon.GetWorkingPlane(polygonPlane)) return false;
  const Vector3dX a(polygon.vertexList[i % count].position);
  const Vector3dX b(polygon.vertexList[(i + 1) % count].position);
  const Vector3dX c = a - Vector3dX(polygonPlane.normal);
  PlaneDoubleX plane;
  plane.normal = Cross(b - a, c - a).Normalized();
  plane.d = Dot(plane.normal, a);
  KX_ASSERT(plane.IsValid(), "PolygonFunctions::GetEdgePlane");
  for (uint32_t k = 0; k < count; ++k) {
    const Planes rel = plane.TestPointRelationToPlane(polygon.vertexList[k].position, 1e-5);
    KX_ASSERT(rel == Planes::ONPLANE || rel == Planes::FRONTOFPLANE,
              "PolygonFunctions::GetEdgePlane");
  }
  outPlane = plane;
  return plane.IsValid();
}

Planes SplitPolygonByPlane(const PolygonX& poly, const PlaneDoubleX& plane, PolygonX& front,
                           PolygonX& back) {
  KX_ASSERT(poly.IsAPolygon(), "PolygonFunctions::SplitPolygonByPlane");
  const uint32_t n = poly.vertexList.Size();
  Planes relation = ONPLANE;
  for (uint32_t i = 0; i < n; ++i) {
    const Planes side = plane.TestPointRelationToPlane(poly.vertexList[i].position, fEPSILON2);
    if (side == ONPLANE) continue;
    if (relation == ONPLANE) {
      relation = side;
    } else if (side != relation) {
      relation = SPANNINGPLANE;
      break;
    }
  }
  PolygonX& frontPolygon = front;
  PolygonX& backPolygon = back;
  if (relation == BEHINDOFPLANE) {
    backPolygon = poly;
    return BEHINDOFPLANE;
  }
  if (relation != SPANNINGPLANE) {
    frontPolygon = poly;
    KX_ASSERT(frontPolygon.IsAPolygon(), "PolygonFunctions::SplitPolygonByPlane");
    return ONPLANE;
  }
  frontPolygon = poly;
  backPolygon = poly;
  frontPolygon.vertexList.Clear();
  backPolygon.vertexList.Clear();
  for (uint32_t i = 0; i < n; ++i) {
    const VertexX& a = poly.vertexList[i];
    const VertexX& b = poly.vertexList[(i + 1) % n];
    const Planes sideA = plane.TestPointRelationToPlane(a.position, fEPSILON2);
    const Planes sideB = plane.TestPointRelationToPlane(b.position, fEPSILON2);
    if (sideA != BEHINDOFPLANE) AddDistinct(frontPolygon, a);
    if (sideA != FRONTOFPLANE) AddDistinct(backPolygon, a);
    if ((sideA == FRONTOFPLANE && sideB == BEHINDOFPLANE) ||
        (sideA == BEHINDOFPLANE && sideB == FRONTOFPLANE)) {
      const VertexX cut = plane.IntersectEdgeAgainstPlane(a, b);
      AddDistinct(frontPolygon, cut);
      AddDistinct(backPolygon, cut);
    }
  }
  CloseDistinct(frontPolygon);
  CloseDistinct(backPolygon);
  if (!frontPolygon.IsAPolygon()) {
    KX_ASSERT_MSG(false, "PolygonFunctions::SplitPolygonByPlane",
                  "frontPolygon.IsAPolygon() && backPolygon.IsAPolygon()");
  } else {
    KX_ASSERT(backPolygon.IsAPolygon(), "PolygonFunctions::SplitPolygonByPlane");
  }
  return FRONTOFPLANE;
}

Planes SplitPolygonByPlane(const PolygonX& polygon, const PlaneX& plane, PolygonX& front,
                           PolygonX& back) {
  return SplitPolygonByPlane(polygon, PlaneDoubleX(plane), front, back);
}

bool CutPolygonWithPolygon(const PolygonX& cutter, const PolygonX& polygon,
                           ArrayX<PolygonX>& outList) {
  const uint32_t startSize = outList.Size();
  PolygonX work = polygon;
  bool cut = false;
  for (uint32_t i = 0; i < cutter.vertexList.Size(); ++i) {
    PlaneDoubleX plane;
    const bool hasPlane = GetEdgePlane(cutter, i, plane);
    KX_ASSERT_MSG(hasPlane, "PolygonFunctions::CutPolygonWithPolygon",
                  "GetEdgePlane(cutter, i, plane)");
    if (!hasPlane) continue;
    PolygonX front;
    PolygonX back;
    const Planes result = SplitPolygonByPlane(work, plane, front, back);
    if (result == FRONTOFPLANE) {
      outList.Add(back);
      work = front;
      cut = true;
    } else if (result == BEHINDOFPLANE) {
      // Wholly outside this edge, so outside the cutter: nothing further to cut.
      outList.Add(back);
      break;
    }
  }
  if (!cut) {
    while (outList.Size() > startSize) outList.RemoveStable(outList.Size() - 1);
    return false;
  }
  return true;
}

bool FixOverlappingPolygons(const PolygonX& polygon0, const PolygonX& polygon1,
                            ArrayX<PolygonX>& outList) {
  if (ContainsPolygon(polygon0, polygon1)) {
    outList.Add(polygon0);
    return true;
  }
  if (ContainsPolygon(polygon1, polygon0)) {
    outList.Add(polygon1);
    return true;
  }
  if (Overlappes(polygon0, polygon1) && CutPolygonWithPolygon(polygon0, polygon1, outList)) {
    outList.Add(polygon0);
    return true;
  }
  return false;
}

namespace {
// Shared scan of both ear searches: the least diagonal whose candidate passes accept(prev, i,
// next).
template <class Accept>
uint32_t FindMinEar(const PolygonX& poly, Accept accept) {
  const uint32_t n = poly.vertexList.Size();
  float best = fMAX_FLOAT;
  uint32_t minIndex = INVALID32;
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t prev = (i + n - 1) % n;
    const uint32_t next = (i + 1) % n;
    const float cost =
        (poly.vertexList[next].position - poly.vertexList[prev].position).LengthSquared();
    if (cost < best && accept(prev, i, next)) {
      best = cost;
      minIndex = i;
    }
  }
  return minIndex;
}

bool Valid(uint32_t index) { return index != INVALID32; }

// Reports why no ear was found.
void ReportNoEar(const PolygonX& poly, const char* function, bool checkWinding) {
  const uint32_t minIndex = INVALID32;
  KX_ASSERT(Valid(minIndex), function);
  KX_ASSERT(poly.IsAPolygon(), function);
  KX_ASSERT(PolygonFunctions::IsPlanar(poly), function);
  if (checkWinding) KX_ASSERT(poly.IsCCW(), function);
}

void Triangulate(const PolygonX& poly, ArrayX<PolygonX>& outList, bool nonConvex) {
  KX_ASSERT(poly.vertexList.Size() > 2, "PolygonFunctions::TriangulatePolygon");
  if (poly.vertexList.Size() < 3) return;
  if (poly.vertexList.Size() == 3) {
    outList.Add(poly);
    return;
  }
  PolygonX work = poly;
  if (!work.planeCreated) work.planeCreated = poly.GetWorkingPlane(work.plane);
  // The polygon's winding: its first turn may be a reflex corner, so take the turn of its area.
  Vector3fX area;
  for (uint32_t k = 2; k < poly.vertexList.Size(); ++k) {
    area += Cross(poly.vertexList[k - 1].position - poly.vertexList[0].position,
                  poly.vertexList[k].position - poly.vertexList[0].position);
  }
  const bool isCCW = nonConvex ? Dot(area, work.plane.normal) >= 0.f : poly.IsCCW();
  while (work.vertexList.Size() > 3) {
    const uint32_t i = nonConvex ? FindMinEarPolyNonConvex(work) : FindMinEarPoly(work);
    if (!Valid(i)) return;  // reported by the ear search; the rest cannot be cut safely
    const uint32_t n = work.vertexList.Size();
    // Every ear keeps the source's plane and attributes.
    PolygonX addPoly = work;
    addPoly.vertexList.Clear();
    addPoly.vertexList.Add(work.vertexList[(i + n - 1) % n]);
    addPoly.vertexList.Add(work.vertexList[i]);
    addPoly.vertexList.Add(work.vertexList[(i + 1) % n]);
    if (nonConvex) {
      KX_ASSERT(addPoly.IsCCW(), "PolygonFunctions::TriangulatePolygonNonConvex");
      KX_ASSERT(isCCW == addPoly.IsCCW(), "PolygonFunctions::TriangulatePolygonNonConvex");
    }
    outList.Add(addPoly);
    work.vertexList.RemoveStable(i);
  }
  outList.Add(work);
}
}  // namespace

uint32_t FindMinEarPoly(const PolygonX& poly) {
  const uint32_t minIndex = FindMinEar(poly, [&](uint32_t prev, uint32_t, uint32_t next) {
    const Vector3fX& a = poly.vertexList[prev].position;
    const Vector3fX mid = a + (poly.vertexList[next].position - a) * 0.5f;
    return TestPointIntersection(poly, mid, false, 1e-5f);
  });
  if (!Valid(minIndex)) ReportNoEar(poly, "PolygonFunctions::FindMinEarPoly", false);
  return minIndex;
}

uint32_t FindMinEarPolyNonConvex(const PolygonX& poly) {
  PlaneX plane;
  poly.GetWorkingPlane(plane);
  const Vector3fX n = plane.normal;
  const uint32_t count = poly.vertexList.Size();
  auto position = [&](uint32_t k) -> const Vector3fX& { return poly.vertexList[k].position; };
  const uint32_t minIndex = FindMinEar(poly, [&](uint32_t prev, uint32_t i, uint32_t next) {
    const Vector3fX mid = position(prev) + (position(next) - position(prev)) * 0.5f;
    // (a) the diagonal's midpoint lies well inside both edges at the ear.
    const Vector3fX inward0 = Cross(n, position(i) - position(prev)).Normalized();
    const Vector3fX inward1 = Cross(n, position(next) - position(i)).Normalized();
    if (!(Dot(inward0, mid - position(prev)) > fEDGE_EPSILON)) return false;
    if (!(Dot(inward1, mid - position(i)) > fEDGE_EPSILON)) return false;
    for (uint32_t j = 0; j < count; ++j) {
      const uint32_t j1 = (j + 1) % count;
      // (b) the diagonal crosses no edge of the polygon.
      if (j != prev && j != next && j1 != prev && j1 != next) {
        const ClosestPointsX hit = Line3DFunctions::ClosestPointsSegments(
            position(prev), position(next), position(j), position(j1));
        if (hit.distance < dPARAMETER_EPSILON) return false;
      }
      // (c) no other corner lies inside the ear.
      if (j != prev && j != i && j != next && !position(j).IsSame(position(prev)) &&
          !position(j).IsSame(position(next)) &&
          InTriangle(position(prev), position(i), position(next), position(j), n)) {
        return false;
      }
    }
    return true;
  });
  if (!Valid(minIndex)) ReportNoEar(poly, "PolygonFunctions::FindMinEarPolyNonConvex", true);
  return minIndex;
}

void TriangulatePolygon(const PolygonX& poly, ArrayX<PolygonX>& outList) {
  Triangulate(poly, outList, false);
}

void TriangulatePolygonNonConvex(const PolygonX& poly, ArrayX<PolygonX>& outList) {
  Triangulate(poly, outList, true);
}
}  // namespace PolygonFunctions
