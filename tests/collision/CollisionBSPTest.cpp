// The collision tree: build invariants, the split search's special cases, and every query
// checked against testing each polygon on its own (seeded random probes on real maps).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>

#include "CollisionTestSupport.h"
#include "ReportCaptureX.h"
#include "collision/CollisionBSPX.h"
#include "engine/FunctionLibraryX.h"

using namespace colltest;

namespace {

struct MapCaseX {
  std::string name;
  MeshX mesh;
};

std::vector<MapCaseX> Maps() {
  std::vector<MapCaseX> maps;
  maps.push_back({"town", MeshFromTriangles(Town())});
  MeshX mesh;
  const std::string city = CityFile();
  if (!city.empty() && LoadMapTriangles(city, mesh)) maps.push_back({"bwcity2", mesh});
  const std::string lobby = SharedFile("q2map/mp_lobby_q2.bsp");
  if (!lobby.empty() && LoadMapTriangles(lobby, mesh)) maps.push_back({"mp_lobby_q2", mesh});
  return maps;
}

void Build(CollisionBSPX& tree, const MeshX& mesh) {
  tree.CreateFromMesh(mesh);
  tree.BuildTree();
}

// Walks every node reachable from the root with the sides chosen on the way down.
struct InvariantWalkX {
  const CollisionBSPX& tree;
  std::vector<bool> reached;
  uint32_t maxDepth = 0;
  struct StepX {
    PlaneX plane;
    bool front;
  };
  std::vector<StepX> path;

  void Visit(uint16_t index, uint32_t depth) {
    ASSERT_LT(index, tree.mNodes.Size());
    maxDepth = std::max(maxDepth, depth);
    const CollisionBSPNodeX& node = tree.mNodes[index];
    if (ValidIndex(node.mBoundingVolumeIndex)) {
      ASSERT_LT(node.mBoundingVolumeIndex, tree.mBoundingVolumes.Size());
      const BoundingAxisAllignedBoxX& box = tree.mBoundingVolumes[node.mBoundingVolumeIndex];
      for (uint16_t p : node.mPolygonIndices) {
        for (uint32_t v = 0; v < 3; ++v) {
          EXPECT_TRUE(box.Contains(tree.mAllPolygons[p].GetVertex(v))) << "box of node " << index;
        }
      }
    } else {
      EXPECT_TRUE(node.mPolygonIndices.Empty());
    }
    for (uint16_t p : node.mPolygonIndices) {
      ASSERT_LT(p, tree.mAllPolygons.Size());
      for (const StepX& step : path) {
        const Planes side = tree.mAllPolygons[p].TestPointRelationToPolygon(step.plane);
        if (step.front) {
          EXPECT_NE(side, BEHINDOFPLANE) << "polygon " << p << " behind a front branch";
        } else {
          EXPECT_TRUE(side == BEHINDOFPLANE || side == SPANNINGPLANE)
              << "polygon " << p << " in a back branch";
        }
      }
    }
    if (node.IsLeaf()) {
      for (uint16_t p : node.mPolygonIndices) reached[p] = true;
      return;
    }
    ASSERT_LT(node.mSplitPlaneIndex, tree.mPlanes.Size());
    const PlaneX plane = tree.mPlanes[node.mSplitPlaneIndex];
    for (const bool front : {true, false}) {
      const uint16_t child = front ? node.mFrontIndex : node.mBackIndex;
      if (!ValidIndex(child)) continue;
      EXPECT_GT(child, index);
      path.push_back({plane, front});
      Visit(child, depth + 1);
      path.pop_back();
    }
  }
};

void ExpectSameResult(const char* what, bool treeHit, const CollisionResultX& tree, bool bruteHit,
                      const CollisionResultX& brute, size_t probe) {
  ASSERT_EQ(treeHit, bruteHit) << what << " probe " << probe;
  if (!treeHit) return;
  EXPECT_NEAR(tree.mDistance, brute.mDistance, 1e-5f) << what << " probe " << probe;
  EXPECT_TRUE(Equal(tree.mPoint, brute.mPoint, 1e-3f)) << what << " probe " << probe;
  EXPECT_TRUE(Equal(tree.mNormal, brute.mNormal, 1e-5f)) << what << " probe " << probe;
}

}  // namespace

TEST(CollisionBSPTest, SinglePolygonIsOneLeafWithABox) {
  CollisionBSPX tree;
  tree.AddMeshTriangles(
      MeshFromTriangles({{Vector3fX{0, 0, 0}, Vector3fX{1, 0, 0}, Vector3fX{0, 1, 0}}}));
  tree.BuildTree();
  ASSERT_EQ(tree.mNodes.Size(), 1u);
  EXPECT_TRUE(tree.mNodes[0].IsLeaf());
  EXPECT_FALSE(ValidIndex(tree.mNodes[0].mSplitPlaneIndex));
  EXPECT_EQ(tree.mNodes[0].mBoundingVolumeIndex, 0u);
  EXPECT_EQ(tree.mBoundingVolumes.Size(), 1u);
}

TEST(CollisionBSPTest, CoplanarPairIsSplitThroughItsSharedEdge) {
  // Every random candidate is the common plane (balance 1.0), so the edge planes decide.
  CollisionBSPX tree;
  tree.AddMeshTriangles(
      MeshFromTriangles({{Vector3fX{0, 0, 0}, Vector3fX{1, 0, 0}, Vector3fX{1, 1, 0}},
                         {Vector3fX{0, 0, 0}, Vector3fX{1, 1, 0}, Vector3fX{0, 1, 0}}}));
  ASSERT_EQ(tree.mAllPolygons.Size(), 2u);
  tree.BuildTree();
  ASSERT_EQ(tree.mNodes.Size(), 3u);
  const CollisionBSPNodeX& root = tree.mNodes[0];
  ASSERT_FALSE(root.IsLeaf());
  EXPECT_EQ(tree.mNodes[root.mFrontIndex].mPolygonIndices.Size(), 1u);
  EXPECT_EQ(tree.mNodes[root.mBackIndex].mPolygonIndices.Size(), 1u);
  const PlaneX& plane = tree.mPlanes[root.mSplitPlaneIndex];
  EXPECT_NEAR(plane.Distance({0, 0, 0}), 0.f, 1e-5f);
  EXPECT_NEAR(plane.Distance({1, 1, 0}), 0.f, 1e-5f);
  EXPECT_NEAR(plane.normal.z, 0.f, 1e-6f);
}

TEST(CollisionBSPTest, NodeThatCannotBeSplitStaysALeafAndIsLogged) {
  // Two copies of one triangle: every candidate plane leaves both on one side.
  const TriangleX t = {Vector3fX{0, 0, 0}, Vector3fX{1, 0, 0}, Vector3fX{0, 1, 0}};
  CollisionBSPX tree;
  tree.AddMeshTriangles(MeshFromTriangles({t, t}));
  ASSERT_EQ(tree.mAllPolygons.Size(), 2u);
  ReportCaptureX log;
  tree.BuildTree();
  EXPECT_TRUE(tree.mNodes[0].IsLeaf());
  EXPECT_EQ(tree.mNodes[0].mPolygonIndices.Size(), 2u);
  EXPECT_TRUE(log.Has("Unable to split, left polygons : 2  node depth : -1"));
  CollisionResultX result;
  EXPECT_TRUE(tree.TestRayIntersect({0.2f, 0.2f, 5}, {0, 0, -1}, result));
}

TEST(CollisionBSPTest, EmptyTreeAnswersNoHitAndNotDoneSlotsReport) {
  CollisionBSPX tree;
  tree.BuildTree();
  CollisionResultX result;
  EXPECT_FALSE(tree.TestSphereOverlap({0, 0, 0}, 10));
  EXPECT_FALSE(tree.TestSweptSphere({0, 0, 0}, {100, 0, 0}, 10, result));
  EXPECT_FALSE(tree.TestRayIntersect({0, 0, 0}, {1, 0, 0}, result));
  ReportCaptureX log;
  EXPECT_FALSE(tree.TestSphereIntersect({0, 0, 0}, 1, result));
  EXPECT_FALSE(tree.TestLineIntersect({0, 0, 0}, {1, 0, 0}, result));
  EXPECT_EQ(log.Mentions("Not done"), 2u);
}

TEST(CollisionBSPTest, SameSeedBuildsTheSameTree) {
  const MeshX mesh = MeshFromTriangles(Town());
  CollisionBSPX first;
  CollisionBSPX second;
  FunctionsX::SeedRand(1);
  Build(first, mesh);
  FunctionsX::SeedRand(1);
  Build(second, mesh);
  ASSERT_EQ(first.mNodes.Size(), second.mNodes.Size());
  ASSERT_EQ(first.mPlanes.Size(), second.mPlanes.Size());
  for (uint32_t i = 0; i < first.mPlanes.Size(); ++i) {
    EXPECT_TRUE(Equal(first.mPlanes[i], second.mPlanes[i], 0.f));
  }
}

TEST(CollisionBSPTest, InvariantsHoldAndQueriesMatchTestingEveryPolygonOnEveryMap) {
  for (MapCaseX& map : Maps()) {
    CollisionBSPX tree;
    Build(tree, map.mesh);
    ASSERT_TRUE(tree.IsBuilt()) << map.name;
    InvariantWalkX walk{tree, std::vector<bool>(tree.mAllPolygons.Size(), false), 0, {}};
    walk.Visit(0, 0);
    EXPECT_EQ(std::ranges::count(walk.reached, false), 0)
        << map.name << ": polygons in no reachable leaf";
    EXPECT_LE(walk.maxDepth, CollisionBSPX::sMaxDepth);
    std::printf("[ tree ] %s: %u polygons, %u nodes, depth %u\n", map.name.c_str(),
                tree.mAllPolygons.Size(), tree.mNodes.Size(), tree.GetDepth());

    BoundingAxisAllignedBoxX bounds;
    for (const Vector3fX& v : tree.mMainVertexList) bounds.Grow(v);
    bounds.Enlarge(50.f);
    std::mt19937 random(20261206);
    auto uniform = [&](float lo, float hi) {
      return std::uniform_real_distribution<float>(lo, hi)(random);
    };
    auto point = [&] {
      return Vector3fX{uniform(bounds.min.x, bounds.max.x), uniform(bounds.min.y, bounds.max.y),
                       uniform(bounds.min.z, bounds.max.z)};
    };
    auto direction = [&] {
      Vector3fX d;
      do {
        d = {uniform(-1, 1), uniform(-1, 1), uniform(-1, 1)};
      } while (d.LengthSquared() < 0.01f || d.LengthSquared() > 1.f);
      return d.Normalized();
    };
    size_t hits[3] = {0, 0, 0};
    const size_t probes = 2000;
    for (size_t i = 0; i < probes; ++i) {
      const Vector3fX center = point();
      const float radius = uniform(1.f, 60.f);
      const bool overlap = tree.TestSphereOverlap(center, radius);
      ASSERT_EQ(overlap, tree.TestSphereOverlapBruteForce(center, radius)) << map.name << " " << i;
      hits[0] += overlap;

      const Vector3fX from = point();
      const Vector3fX to = from + direction() * uniform(0.f, 400.f);
      const float sweepRadius = uniform(1.f, 40.f);
      CollisionResultX treeSweep;
      CollisionResultX bruteSweep;
      const bool swept = tree.TestSweptSphere(from, to, sweepRadius, treeSweep);
      ExpectSameResult("sweep", swept, treeSweep,
                       tree.TestSweptSphereBruteForce(from, to, sweepRadius, bruteSweep),
                       bruteSweep, i);
      if (swept) {
        EXPECT_TRUE(Equal(treeSweep.mCenter, bruteSweep.mCenter, 1e-3f));
      }
      hits[1] += swept;

      const Vector3fX origin = point();
      const Vector3fX dir = direction();
      CollisionResultX treeRay;
      CollisionResultX bruteRay;
      const bool ray = tree.TestRayIntersect(origin, dir, treeRay);
      ExpectSameResult("ray", ray, treeRay, tree.TestRayIntersectBruteForce(origin, dir, bruteRay),
                       bruteRay, i);
      hits[2] += ray;
    }
    std::printf("[ oracle ] %s: %zu probes each; hits: spheres %zu, sweeps %zu, rays %zu\n",
                map.name.c_str(), probes, hits[0], hits[1], hits[2]);
    // The probes must exercise both answers.
    for (size_t h : hits) {
      EXPECT_GT(h, 0u) << map.name;
      EXPECT_LT(h, probes) << map.name;
    }
  }
}

TEST(CollisionBSPTest, SweptSphereAgainstAWall) {
  // A wall in the plane x = 100 facing -x.
  std::vector<TriangleX> triangles;
  AddQuad(triangles, {100, -500, -500}, {100, -500, 500}, {100, 500, 500}, {100, 500, -500});
  CollisionBSPX tree;
  tree.AddMeshTriangles(MeshFromTriangles(triangles));
  tree.BuildTree();
  ASSERT_EQ(tree.mAllPolygons[0].plane.normal.x, -1.f);
  CollisionResultX result;
  ASSERT_TRUE(tree.TestSweptSphere({0, 0, 0}, {200, 0, 0}, 10, result));
  EXPECT_NEAR(result.mDistance, 10.f, 0.01f);
  EXPECT_NEAR(result.mCenter.x, 90.f, 0.01f);
  EXPECT_NEAR(result.mPoint.x, 100.f, 1e-4f);
  // A long move does not tunnel through.
  ASSERT_TRUE(tree.TestSweptSphere({0, 0, 0}, {5000, 0, 0}, 10, result));
  EXPECT_NEAR(result.mCenter.x, 90.f, 0.01f);
  // Moving away, along the wall, or by no more than 0.1 per axis gives no contact.
  EXPECT_FALSE(tree.TestSweptSphere({150, 0, 0}, {300, 0, 0}, 10, result));
  EXPECT_FALSE(tree.TestSweptSphere({95, 0, 0}, {95, 200, 0}, 10, result));
  EXPECT_FALSE(tree.TestSweptSphere({95, 0, 0}, {95.1f, 0.1f, 0}, 10, result));
  // Rays: the fraction along 10,000 units; nothing within reach is no hit.
  ASSERT_TRUE(tree.TestRayIntersect({0, 0, 0}, {1, 0, 0}, result));
  EXPECT_NEAR(result.mDistance, 0.01f, 1e-6f);
  EXPECT_FALSE(tree.TestRayIntersect({0, 0, 0}, {-1, 0, 0}, result));
  EXPECT_TRUE(tree.TestSphereOverlap({95, 0, 0}, 6));
  EXPECT_FALSE(tree.TestSphereOverlap({95, 0, 0}, 4));
}
