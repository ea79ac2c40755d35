#pragma once
// An edge of a mesh and the one or two polygons that share it.
#include <cstdint>

#include "geometry/PolygonX.h"

class EdgeX {
 public:
  EdgeX() : mSwapped(0) {}
  // The edge from vertex v0Index to v1Index of polygon (its winding order).
  EdgeX(uint8_t v0Index, uint8_t v1Index, PolygonX* polygon);
  EdgeX(const EdgeX& other) = default;
  EdgeX& operator=(const EdgeX& other) = default;

  // Enters a second polygon (or replaces the first when both are set).
  void AddPolygon(PolygonX* polygon, uint8_t firstIndex, uint8_t secondIndex);
  bool IsBoundary() const;

  // End points in mPolygonFirst's winding.
  const Vector3fX& GetStart() const { return mSwapped ? mEnd : mStart; }
  const Vector3fX& GetEnd() const { return mSwapped ? mStart : mEnd; }
  void SetStart(const Vector3fX& start) { (mSwapped ? mEnd : mStart) = start; }
  void SetEnd(const Vector3fX& end) { (mSwapped ? mStart : mEnd) = end; }
  PolygonX* GetPolygonStart() const { return mSwapped ? mPolygonLast : mPolygonFirst; }
  PolygonX* GetPolygonEnd() const { return mSwapped ? mPolygonFirst : mPolygonLast; }
  bool IsSwapped() const { return mSwapped != 0; }

  // The plane through the edge, perpendicular to mPolygonFirst, facing into that polygon.
  PlaneX GetInWardFacingPlane() const;
  // Closest distance of the two edges as segments; true when below 0.001.
  bool IsNearEdge(const EdgeX& edge, float& outDistance) const;
  // Same end points within 1e-5, in the same or the opposite direction.
  bool IsSameEdge(const EdgeX& edge) const;

  // Equal: opposite directions and canonical end points within 1e-4.
  bool operator==(const EdgeX& other) const;
  bool operator<(const EdgeX& other) const;

  uint8_t mFirstIndex0 = INVALID8;  // in mPolygonFirst
  uint8_t mFirstIndex1 = INVALID8;
  uint8_t mLastIndex0 = INVALID8;  // in mPolygonLast
  uint8_t mLastIndex1 = INVALID8;
  Vector3fX mStart;  // canonical order: the smaller vertex first
  Vector3fX mEnd;
  PolygonX* mPolygonFirst = nullptr;  // not owned
  PolygonX* mPolygonLast = nullptr;   // not owned
  uint8_t mSwapped : 1;
};
