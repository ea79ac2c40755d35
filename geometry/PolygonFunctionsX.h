#pragma once
// Free functions over whole polygons: point in polygon, line vertices, overlap and containment
// of coplanar polygons, cutting, splitting, ear-clipping triangulation and subdivision; plus the
// segment functions they rest on.
#include <cstdint>

#include "foundation/ArrayX.h"
#include "geometry/PolygonX.h"

struct Line3DX {
  Vector3fX start;
  Vector3fX end;
};

// Result of the closest-points computation of two segments or lines.
struct ClosestPointsX {
  double s = 0.0;  // parameter on the first segment/line
  double t = 0.0;  // parameter on the second
  Vector3dX pointFirst;
  Vector3dX pointSecond;
  double distance = 0.0;
};

namespace Line3DFunctions {
// Closest points of the segments P0-P1 and Q0-Q1 (parameters clamped to [0, 1]), in double.
ClosestPointsX ClosestPointsSegments(const Vector3fX& p0, const Vector3fX& p1, const Vector3fX& q0,
                                     const Vector3fX& q1);
// Closest points of the unbounded lines through P0-P1 and Q0-Q1; parallel lines give t = 0.
ClosestPointsX ClosestPointsLines(const Vector3fX& p0, const Vector3fX& p1, const Vector3fX& q0,
                                  const Vector3fX& q1);
// Distance of a point from the line through a and b (from a when a and b coincide).
double DistancePointLine(const Vector3fX& point, const Vector3fX& a, const Vector3fX& b);
}  // namespace Line3DFunctions

namespace PolygonFunctions {
// Edge i runs from vertex i to vertex (i + 1) mod n; false for fewer than 2 vertices.
bool GetLine(const PolygonX& polygon, uint32_t i, Line3DX& outSegment);

bool TestPointIntersection(const PolygonX& polygon, const Vector3fX& point, bool includeBoundary,
                           float eps = fEPSILON2);
bool IsPlanar(const PolygonX& polygon);
// The run of collinear vertices through index: outFirst and outLast are its end corners.
bool HasLineVertices(const PolygonX& polygon, uint32_t index, uint32_t& outFirst,
                     uint32_t& outLast);
// Indices of the real corners, in winding order.
void GetIndexsWithoutLineVertices(const PolygonX& polygon, ArrayX<uint32_t>& outIndexList);
// Squared length of the longest edge (the first of equal ones) and its two vertex indices.
float GetMaxLengthEdge(const PolygonX& poly, uint32_t& outIndex0, uint32_t& outIndex1);
void SubdividePolygons(ArrayX<PolygonX>& triangles, float maxEdgeLength);
void SubdividePolygon(const PolygonX& polygon, ArrayX<PolygonX>& outList, float maxEdgeLength);

bool ContainsPolygon(const PolygonX& outer, const PolygonX& inner);
bool ContainsPolygonNoBoundary(const PolygonX& outer, const PolygonX& inner);
bool Overlappes(const PolygonX& polygon0, const PolygonX& polygon1);
bool Intersects(const PolygonX& polygon0, const PolygonX& polygon1);

// The plane through edge i that faces into the polygon.
bool GetEdgePlane(const PolygonX& polygon, uint32_t i, PlaneDoubleX& outPlane);
// ONPLANE: whole polygon copied to front; BEHINDOFPLANE: copied to back; FRONTOFPLANE: split.
Planes SplitPolygonByPlane(const PolygonX& polygon, const PlaneDoubleX& plane, PolygonX& front,
                           PolygonX& back);
Planes SplitPolygonByPlane(const PolygonX& polygon, const PlaneX& plane, PolygonX& front,
                           PolygonX& back);
// Appends the parts of polygon outside cutter; false (nothing appended) when it does not cut.
bool CutPolygonWithPolygon(const PolygonX& cutter, const PolygonX& polygon,
                           ArrayX<PolygonX>& outList);
bool FixOverlappingPolygons(const PolygonX& polygon0, const PolygonX& polygon1,
                            ArrayX<PolygonX>& outList);

// Ear of least diagonal length; INVALID32 when there is none.
uint32_t FindMinEarPoly(const PolygonX& poly);
uint32_t FindMinEarPolyNonConvex(const PolygonX& poly);
void TriangulatePolygon(const PolygonX& poly, ArrayX<PolygonX>& outList);
void TriangulatePolygonNonConvex(const PolygonX& poly, ArrayX<PolygonX>& outList);
}  // namespace PolygonFunctions
