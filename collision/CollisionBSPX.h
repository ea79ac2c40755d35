#pragma once
// CollisionBSPX: the collision structure of static world geometry. The mesh is simplified and
// turned into triangles on one shared position list; their 16-bit indices are partitioned into
// a BSP tree whose split planes come from a randomised, scored search. Polygons are never cut:
// one that straddles a split plane is listed in both children. Every node has a bounding box.
#include <cstdint>

#include "collision/CollisionDataStructureBaseX.h"
#include "foundation/ArrayX.h"
#include "geometry/BoundingVolumesX.h"

class ThreadManagerX;

struct CollisionBSPNodeX {
  static constexpr uint16_t sNone = 0xFFFF;
  uint16_t mSplitPlaneIndex = sNone;
  uint16_t mFrontIndex = sNone;
  uint16_t mBackIndex = sNone;
  uint16_t mBoundingVolumeIndex = sNone;
  ArrayX<uint16_t> mPolygonIndices;

  bool IsLeaf() const { return mFrontIndex == sNone && mBackIndex == sNone; }
};

inline bool ValidIndex(uint16_t index) { return index != CollisionBSPNodeX::sNone; }

class CollisionBSPX : public CollisionDataStructureBaseX {
 public:
  // The most polygons, vertices and nodes 16-bit references can address (0xFFFF means none).
  static constexpr uint32_t sMaxElements = 0xFFFF;
  static constexpr uint32_t sMaxDepth = 35;

  // Simplification spreads its stages over `jobs` (null: the calling thread does them all).
  explicit CollisionBSPX(ThreadManagerX* jobs = nullptr) : mJobs(jobs) {}
  ~CollisionBSPX() override;
  CollisionBSPX(const CollisionBSPX&) = delete;
  CollisionBSPX& operator=(const CollisionBSPX&) = delete;

  // Simplifies a copy of the mesh and appends its triangles; polygons marked "no collision"
  // (surface bit 27) are left out. Refuses (and logs) what 16-bit indices cannot address.
  void CreateFromMesh(const MeshX& mesh) override;
  // Appends the mesh's triangles as they are, without simplifying.
  void AddMeshTriangles(const MeshX& mesh);
  void BuildTree() override;
  void Prepare() override {}

  bool TestSphereOverlap(const Vector3fX& center, float radius) const override;
  bool TestSphereIntersect(const Vector3fX& center, float radius,
                           CollisionResultX& result) const override;
  bool TestSweptSphere(const Vector3fX& from, const Vector3fX& to, float radius,
                       CollisionResultX& result) const override;
  bool TestRayIntersect(const Vector3fX& origin, const Vector3fX& direction,
                        CollisionResultX& result) const override;
  bool TestLineIntersect(const Vector3fX& start, const Vector3fX& end,
                         CollisionResultX& result) const override;
  // The outlines of every polygon of a built tree, with each polygon's normal drawn from its
  // centre.
  void GetDebugLines(DebugLinesX& lines) const override;

  // The same queries over every polygon without the tree (reference results and measurements).
  bool TestSphereOverlapBruteForce(const Vector3fX& center, float radius) const;
  bool TestSweptSphereBruteForce(const Vector3fX& from, const Vector3fX& to, float radius,
                                 CollisionResultX& result) const;
  bool TestRayIntersectBruteForce(const Vector3fX& origin, const Vector3fX& direction,
                                  CollisionResultX& result) const;

  bool IsBuilt() const { return !mNodes.Empty(); }
  // Depth of the deepest node reachable from the root (the root has depth 0).
  uint32_t GetDepth() const;
  void Clear();

  // Build steps.
  void DoSplit(uint16_t nodeIndex, uint16_t parentIndex, uint32_t depth);
  void SetOptimumSplitPlane(uint16_t nodeIndex);
  void SetBoudingVolume(uint16_t nodeIndex, const ArrayX<uint16_t>& polygonIndices);
  // Split fraction + balance of a candidate plane over a list; lower is better.
  float ScorePlane(const PlaneX& plane, const ArrayX<uint16_t>& polygonIndices,
                   float& outBalance) const;

  // Polygon tests the queries rest on.
  // Touch of a sphere; the closest point of the polygon to the centre.
  static bool SphereTouchesPolygon(const PolygonLightX& polygon, const Vector3fX& center,
                                   float radius, Vector3fX& outClosest);
  // Crossing of the segment a-b with the polygon, as the fraction t along it.
  static bool SegmentHitsPolygon(const PolygonLightX& polygon, const Vector3fX& a,
                                 const Vector3fX& b, float& outT);

  ArrayX<Vector3fX> mMainVertexList;
  ArrayX<PolygonLightX> mAllPolygons;
  ArrayX<CollisionBSPNodeX> mNodes;
  ArrayX<PlaneX> mPlanes;
  ArrayX<BoundingAxisAllignedBoxX> mBoundingVolumes;

 private:
  struct SphereHitX;
  ThreadManagerX* mJobs = nullptr;
  void AppendPolygons(const ArrayX<PolygonX>& polygons);
  bool Sweep(const Vector3fX& from, const Vector3fX& to, float radius, bool bruteForce,
             CollisionResultX& result) const;
  bool Bisect(const Vector3fX& a, const Vector3fX& b, const Vector3fX& u, float radius,
              bool bruteForce, CollisionResultX& result) const;
  bool SphereNode(uint16_t nodeIndex, const Vector3fX& p, float radius, const Vector3fX& u,
                  bool nearest, SphereHitX& hit) const;
  bool TestSpherePolygons(const ArrayX<uint16_t>& list, const Vector3fX& p, float radius,
                          const Vector3fX& u, bool nearest, SphereHitX& hit) const;
  bool OverlapNode(uint16_t nodeIndex, const Vector3fX& center, float radius) const;
  void RayNode(uint16_t nodeIndex, const Vector3fX& segA, const Vector3fX& segB, const Vector3fX& a,
               const Vector3fX& b, float& bestT, uint32_t& bestIndex) const;
  bool OutsideBox(uint16_t nodeIndex, const Vector3fX& p, float radius) const;
  uint32_t DepthOf(uint16_t nodeIndex, uint32_t depth) const;
};
