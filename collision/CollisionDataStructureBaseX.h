#pragma once
// CollisionDataStructureBaseX: the interface of the engine's collision structures.
#include "collision/CollisionResultX.h"

class MeshX;
struct DebugLinesX;

class CollisionDataStructureBaseX {
 public:
  virtual ~CollisionDataStructureBaseX() = default;
  virtual void CreateFromMesh(const MeshX& mesh) = 0;
  virtual void BuildTree() = 0;
  virtual void Prepare() = 0;
  virtual bool TestSphereOverlap(const Vector3fX& center, float radius) const = 0;
  virtual bool TestSphereIntersect(const Vector3fX& center, float radius,
                                   CollisionResultX& result) const = 0;
  virtual bool TestSweptSphere(const Vector3fX& from, const Vector3fX& to, float radius,
                               CollisionResultX& result) const = 0;
  virtual bool TestRayIntersect(const Vector3fX& origin, const Vector3fX& direction,
                                CollisionResultX& result) const = 0;
  virtual bool TestLineIntersect(const Vector3fX& start, const Vector3fX& end,
                                 CollisionResultX& result) const = 0;
  // The lines the structure shows while its debug drawing is on; none by default.
  virtual void GetDebugLines(DebugLinesX& lines) const { (void)lines; }
};
