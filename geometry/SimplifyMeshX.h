#pragma once
// SimplifyMeshX: reduces the triangle count of a static mesh (a map) without changing its
// surface. Triangles are grouped by plane (and by the surface flags collision cares about);
// inside each group duplicates and overlaps are removed, T-junctions are split into shared
// vertices, neighbours are merged into larger convex polygons, corner-free line vertices are
// dropped and the polygons are triangulated again. The per-group stages run as jobs on the job
// threads.
//
// The result does not depend on thread scheduling: groups are kept in the order of their plane
// keys and every group writes only its own lists, which CreateResult joins in that order.
#include <cstdint>
#include <vector>

#include "foundation/ArrayX.h"
#include "foundation/BinarySearchTreeX.h"
#include "geometry/MeshX.h"

class ThreadManagerX;

class SimplifyMeshX {
 public:
  // Plane (and flags) of a group. Equal when the distances differ by at most 0.1 and every
  // normal component by at most 0.01; ordered by distance, then x, y, z with tolerance 0.01.
  struct PlaneKey {
    PlaneX mPlane;
    uint32_t mFlags = 0;
    bool operator==(const PlaneKey& other) const;
    bool operator<(const PlaneKey& other) const;
  };

  // One group of coplanar polygons. Polygons are vertex-id loops into the group's positions.
  struct OnPlanePolys {
    PlaneX mPlane;
    uint32_t mFlags = 0;
    ArrayX<PolygonX> mInput;                       // the group's triangles as sorted in
    std::vector<Vector3fX> mPositions;             // unique positions of the group
    std::vector<std::vector<uint32_t>> mPolygons;  // loops of position ids, winding order
    ArrayX<PolygonX> mResultPolygons;              // merged convex polygons
    ArrayX<PolygonX> mTriangles;                   // the final triangles
    uint32_t mEqualRemoved = 0;
    uint32_t mTJunctions = 0;
    uint32_t mOverlapsFixed = 0;
    bool mFailed = false;
  };

  // Works on a copy of `mesh`; the per-plane stages run on `jobs` (null: on the calling thread).
  explicit SimplifyMeshX(const MeshX& mesh, ThreadManagerX* jobs = nullptr);
  ~SimplifyMeshX();
  SimplifyMeshX(const SimplifyMeshX&) = delete;
  SimplifyMeshX& operator=(const SimplifyMeshX&) = delete;

  // Runs the whole pipeline and fills the result. False when no polygon was left.
  bool Simplify();

  // The simplified triangles: vertex and index lists (POINTORDER_TRIANGLELIST) and the same
  // triangles as polygons with their plane and surface flags.
  const MeshX& GetResult() const { return mResult; }
  MeshX& GetResult() { return mResult; }
  // The merged convex polygons before the final triangulation, in result order.
  const ArrayX<PolygonX>& GetConvexPolygons() const { return mConvexPolygons; }
  uint32_t GetInitialPolygonCount() const { return mInitialPolygonCount; }
  uint32_t GetPlaneCount() const { return mOnPlanePolys.Size(); }

  // Pipeline stages (public for the tests).
  void MergeEqualVerts();
  void SortPolysByPlane();
  void CreateResult();

  // Per-group stages, run as jobs.
  static void RemoveEqualPolygons(OnPlanePolys& group);
  static void FixOverlappingPolygons(OnPlanePolys& group);
  static void RemoveTJunctions(OnPlanePolys& group);
  static void MergeConvexPolygons(OnPlanePolys& group);
  static void RemoveLineVertices(OnPlanePolys& group);
  static void CreatePolygons(OnPlanePolys& group);

  // Triangulates a convex loop whose edges may carry extra vertices on them; every vertex is
  // kept and no triangle is degenerate. False when the loop has no area.
  static bool TriangulateConvex(const std::vector<Vector3fX>& loop, const Vector3fX& normal,
                                std::vector<uint32_t>& outTriangles);

  // Flags a group is split by: the bits collision reads (climb, bit 5, no collision).
  static constexpr uint32_t sGroupFlagMask = (1u << 19) | (1u << 5) | (1u << 27);
  // Distance within which positions are merged.
  static constexpr float sVertexTolerance = 0.001f;

 private:
  using StageFunction = void (*)(OnPlanePolys&);
  // The group's position table and its polygons as loops of position ids.
  static void BuildLoops(OnPlanePolys& group);
  void RunStage(StageFunction stage);
  void RemoveInvalidPolygons(const char* reason);

  MeshX mMesh;
  ThreadManagerX* mJobs = nullptr;
  ArrayX<PolygonX> mWorkingPolygons;
  uint32_t mInitialPolygonCount = 0;
  BinarySearchTreeX<OnPlanePolys*, PlaneKey> mOnPlanePolys;
  ArrayX<PolygonX> mConvexPolygons;
  MeshX mResult;
};
