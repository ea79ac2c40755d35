#pragma once
// Polygons: PolygonX owns its vertices; PolygonLightX is the compact triangle that indexes a
// shared position list (what the collision tree stores).
#include <cstdint>

#include "foundation/ArrayX.h"
#include "geometry/PlaneX.h"

class PolygonX {
 public:
  ArrayX<VertexX> vertexList;  // winding order
  uint32_t tag = 0;            // producer's value, carried through copies, splits and fans
  uint32_t colour = 0xFF000000u;
  PlaneX plane;  // valid only when planeCreated
  uint32_t surfaceFlags = 0;
  bool planeCreated = false;

  PolygonX();
  PolygonX(const PolygonX& other);
  PolygonX& operator=(const PolygonX& other);
  ~PolygonX() = default;

  // surfaceFlags = (a << 20) | b.
  void SetSurfaceFlags(uint32_t a, uint32_t b) { surfaceFlags = (a << 20) | b; }

  // Computes the plane from the winding; false (and planeCreated cleared) when degenerate.
  bool CreatePlaneSafe();
  const PlaneX& GetPlane() const { return plane; }
  bool HasCreatedPlane() const { return planeCreated; }
  // The created plane, or a plane computed now; false when none can be made.
  bool GetWorkingPlane(PlaneX& outPlane) const;

  bool IsAPolygon() const;
  bool IsConvex(const PlaneX& polygonPlane) const;
  bool IsCCW() const;
  bool IsNeedlePolygon() const;
  bool IsNeedlePolygon(const PlaneX& polygonPlane) const;
  bool IsNeedlePolygonLine() const;

  // Removes vertices whose position repeats an earlier one; the winding order is kept.
  bool RemoveDuplicateVertices();
  // Removes duplicates, then every vertex within 0.001 of the line through its neighbours.
  bool RemoveLineVertices();

  Vector3fX GetCenter() const;
  Vector3fX GetCenterSafe() const;
  // Point in convex polygon (the point is assumed on the plane); the boundary counts as inside.
  bool TestPointIntersection(const Vector3fX& point) const;
  bool TestLineIntersect(const Vector3fX& start, const Vector3fX& end, float& outT,
                         Vector3fX& outPoint) const;

  // Fan triangulation (0, i-1, i); pieces that are not polygons are left out.
  void GetPolygonAsTrianglePolygons(ArrayX<PolygonX>& outList) const;
  // Ear-clipping triangulation.
  void TriangulateSafe(ArrayX<PolygonX>& outList) const;

  // Exact search over all vertex fields.
  bool FindVertex(const VertexX& vertex, uint32_t& outIndex) const;
  // Joins a neighbour that shares a run of vertices with this polygon.
  bool MergePolygon(const PolygonX& other, bool requireSamePlane);

  // Area of the polygon (sum of its fan triangles); for tests and tools.
  float GetArea() const;

 private:
  // Copies everything but the vertices.
  void CopyAttributes(const PolygonX& other);
};

// A triangle of 16-bit indices into a shared list of positions.
class PolygonLightX {
 public:
  static constexpr uint8_t sMaxNumberOfVertices = 3;
  static constexpr uint32_t sMaxMainVertices = 65536;
  // Collision flags derived from the source polygon's surface flags.
  static constexpr uint32_t sFlagBit19 = 1u;
  static constexpr uint32_t sFlagBit5 = 2u;

  ArrayX<Vector3fX>* mMainVertexList = nullptr;  // shared, not owned
  uint16_t mIndexList[sMaxNumberOfVertices] = {0, 0, 0};
  uint8_t mIndexListSize = 0;
  PlaneX plane;
  uint32_t mCollisionFlags = 0;

  PolygonLightX() = default;
  explicit PolygonLightX(ArrayX<Vector3fX>* mainVertexList) : mMainVertexList(mainVertexList) {}
  PolygonLightX(const PolygonLightX& other) = default;
  PolygonLightX& operator=(const PolygonLightX& other) = default;
  // Copies the plane, adds the positions (shared when already in the main list), derives flags.
  PolygonLightX& operator=(const PolygonX& pol);

  // Both refuse (report and return false) instead of writing past a limit.
  bool AddVertex(uint16_t index);
  bool AddVertex(const Vector3fX& position);
  void RemoveIndex(uint32_t index);
  const Vector3fX& GetVertex(uint32_t i) const { return (*mMainVertexList)[mIndexList[i]]; }
  uint32_t Size() const { return mIndexListSize; }

  void CreatePlane();
  Planes TestPointRelationToPolygon(const PlaneX& testPlane) const;
  bool TestPointIntersection(const Vector3fX& point) const;
  // Appends heap-allocated copies; the caller deletes them.
  void GetPolygonAsTrianglePolygons(ArrayX<PolygonLightX*>& outList) const;

  // Splits by the plane. Returns SPANNINGPLANE when split, otherwise the polygon's class (the
  // whole polygon then goes to back when behind, else to front). A side of four corners is
  // split into two triangles: the second goes to frontSecond/backSecond when given, else it is
  // reported and dropped. Pieces only ever hold three indices.
  Planes SplitPolygonByPlane(const PlaneX& splitPlane, PolygonLightX& front, PolygonLightX& back,
                             PolygonLightX* frontSecond = nullptr,
                             PolygonLightX* backSecond = nullptr) const;
  bool IsNeedle() const;
  bool IsAPolygon() const;

 private:
  void Reset(ArrayX<Vector3fX>* mainVertexList, uint32_t flags);
};
