// Mesh simplification: the surface is kept (area per plane, coverage), T-junctions are gone,
// the polygon count drops, and the result is the same however the job threads run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "../collision/CollisionTestSupport.h"
#include "ReportCaptureX.h"
#include "engine/ThreadManagerX.h"
#include "geometry/SimplifyMeshX.h"

using namespace colltest;

namespace {

struct PlaneSumX {
  PlaneX plane;
  double area = 0.0;
};

// Planes equal within the simplifier's key tolerance.
bool SamePlane(const PlaneX& a, const PlaneX& b) {
  return Equal(a.d, b.d, 0.1f) && Equal(a.normal, b.normal, 0.01f);
}

double TriangleArea(const Vector3fX& a, const Vector3fX& b, const Vector3fX& c) {
  return Cross(Vector3dX(b) - Vector3dX(a), Vector3dX(c) - Vector3dX(a)).Length() * 0.5;
}

// Area summed per plane.
std::vector<PlaneSumX> AreaPerPlane(const MeshX& mesh) {
  std::vector<PlaneSumX> sums;
  for (uint32_t i = 0; i + 2 < mesh.mIndexList.Size(); i += 3) {
    const Vector3fX& a = mesh.mVertexList[mesh.mIndexList[i]].position;
    const Vector3fX& b = mesh.mVertexList[mesh.mIndexList[i + 1]].position;
    const Vector3fX& c = mesh.mVertexList[mesh.mIndexList[i + 2]].position;
    const Vector3fX cross = Cross(b - a, c - a);
    if (cross.LengthSquared() <= 0.f) continue;
    PlaneX plane(cross.Normalized(), 0.f);
    plane.d = Dot(plane.normal, a);
    auto sum =
        std::ranges::find_if(sums, [&](const PlaneSumX& s) { return SamePlane(s.plane, plane); });
    if (sum == sums.end()) sum = sums.insert(sums.end(), {plane, 0.0});
    sum->area += TriangleArea(a, b, c);
  }
  return sums;
}

void ExpectSameAreaPerPlane(const MeshX& before, const MeshX& after) {
  const std::vector<PlaneSumX> out = AreaPerPlane(after);
  for (const PlaneSumX& s : AreaPerPlane(before)) {
    double found = 0.0;
    for (const PlaneSumX& o : out) found += SamePlane(s.plane, o.plane) ? o.area : 0.0;
    EXPECT_NEAR(found, s.area, 1e-3 * std::max(1.0, s.area))
        << "plane " << s.plane.normal.x << "," << s.plane.normal.y << "," << s.plane.normal.z
        << " d " << s.plane.d;
  }
}

// Number of result vertices lying inside an edge of a triangle of the same plane.
size_t CountTJunctions(const MeshX& mesh) {
  size_t count = 0;
  const ArrayX<PolygonX>& triangles = mesh.mPolygonList;
  for (uint32_t i = 0; i < triangles.Size(); ++i) {
    const PolygonX& t = triangles[i];
    for (uint32_t e = 0; e < 3; ++e) {
      const Vector3dX a(t.vertexList[e].position);
      const Vector3dX ab = Vector3dX(t.vertexList[(e + 1) % 3].position) - a;
      for (uint32_t j = 0; j < triangles.Size(); ++j) {
        if (j == i || !SamePlane(triangles[j].plane, t.plane)) continue;
        for (const VertexX& v : triangles[j].vertexList) {
          const Vector3dX p(v.position);
          const double s = Dot(p - a, ab) / ab.LengthSquared();
          if (s > 1e-4 && s < 1 - 1e-4 && (p - (a + ab * s)).Length() < 1e-3) ++count;
        }
      }
    }
  }
  return count;
}

const TriangleX kTriangle = {Vector3fX{0, 0, 0}, Vector3fX{1, 0, 0}, Vector3fX{0, 1, 0}};

// Two triangles of a 10 x 10 square whose shared corners are `gap` apart.
std::vector<TriangleX> SquareWithGap(float gap) {
  return {{Vector3fX{0, 0, 0}, Vector3fX{10, 0, 0}, Vector3fX{10, 10, 0}},
          {Vector3fX{gap, 0, 0}, Vector3fX{10 + gap, 10, 0}, Vector3fX{0, 10, 0}}};
}

std::vector<TriangleX> GridOfFourSquares() {
  std::vector<TriangleX> triangles;
  AddTiledQuad(triangles, {0, 0, 0}, {2, 0, 0}, {0, 2, 0}, 2);
  return triangles;
}

}  // namespace

// Small meshes: what the simplifier logs, how many triangles and convex polygons are left, and
// the area on each plane (the input's unless given: copies and overlaps count once).
TEST(SimplifyMeshTest, SmallMeshes) {
  const std::vector<TriangleX> threePlanes = {
      kTriangle,
      {Vector3fX{0, 0, 5}, Vector3fX{1, 0, 5}, Vector3fX{0, 1, 5}},
      {Vector3fX{0, 0, 0}, Vector3fX{0, 0, 1}, Vector3fX{1, 0, 0}}};
  // A big triangle beside two small ones that split its edge at (0, 5).
  const std::vector<TriangleX> tJunction = {
      {Vector3fX{0, 0, 0}, Vector3fX{0, 10, 0}, Vector3fX{-10, 5, 0}},
      {Vector3fX{0, 0, 0}, Vector3fX{8, 0, 0}, Vector3fX{0, 5, 0}},
      {Vector3fX{0, 5, 0}, Vector3fX{8, 10, 0}, Vector3fX{0, 10, 0}}};
  // Two right triangles of area 50, the second moved by (1, 1): they share a triangle of
  // area 32, so the union covers 68.
  const std::vector<TriangleX> overlap = {
      {Vector3fX{0, 0, 0}, Vector3fX{10, 0, 0}, Vector3fX{0, 10, 0}},
      {Vector3fX{1, 1, 0}, Vector3fX{11, 1, 0}, Vector3fX{1, 11, 0}}};
  // Corners 0.0005 apart are merged, 0.002 apart kept.
  const struct {
    std::vector<TriangleX> triangles;
    std::vector<const char*> logs;
    uint32_t triangleCount, convexCount;  // 0: not checked
    double area;                          // 0: the input's per plane
  } cases[] = {
      {GridOfFourSquares(), {}, 2, 1, 0},
      {{kTriangle, kTriangle}, {"Removed 1 equal polygon(s)"}, 1, 1, 0.5},
      {threePlanes,
       {"Found 3 planes in mesh", "Simplified mesh down from 3 to 3 polygons!"},
       3,
       3,
       0},
      {SquareWithGap(0.0005f), {"Total unique vertices 4 Merged 2 vertices out of 6"}, 2, 1, 0},
      {SquareWithGap(0.002f), {"Total unique vertices 6 Merged 0 vertices out of 6"}, 0, 0, 0},
      {tJunction, {"Number of T-Junctions removed 1"}, 0, 0, 0},
      {overlap, {"Number of overlapping polygons 1"}, 0, 0, 68.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    const MeshX mesh = MeshFromTriangles(c.triangles);
    ReportCaptureX log;
    SimplifyMeshX simplifier(mesh);
    ASSERT_TRUE(simplifier.Simplify());
    const MeshX& result = simplifier.GetResult();
    for (const char* line : c.logs) EXPECT_TRUE(log.Has(line)) << line;
    const uint32_t triangles = result.mIndexList.Size() / 3;
    const uint32_t convex = simplifier.GetConvexPolygons().Size();
    EXPECT_TRUE(!c.triangleCount || triangles == c.triangleCount) << triangles << " triangles";
    EXPECT_TRUE(!c.convexCount || convex == c.convexCount) << convex << " convex polygons";
    if (c.area == 0) {
      ExpectSameAreaPerPlane(mesh, result);
    } else {
      const std::vector<PlaneSumX> sums = AreaPerPlane(result);
      ASSERT_EQ(sums.size(), 1u);
      EXPECT_NEAR(sums[0].area, c.area, 1e-3);
    }
    EXPECT_EQ(CountTJunctions(result), 0u);
    EXPECT_EQ(result.mPointOrdering, uint32_t(POINTORDER_TRIANGLELIST));
  }
  ReportCaptureX log;
  SimplifyMeshX empty{MeshX()};
  EXPECT_FALSE(empty.Simplify());
  EXPECT_TRUE(log.Has("no polys"));
}

TEST(SimplifyMeshTest, SquareWithHoleKeepsOnlyTheRing) {
  // Ring between the squares [0,30] and [10,20], made of 8 quads.
  std::vector<TriangleX> triangles;
  const float c[4] = {0, 10, 20, 30};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      if (i == 1 && j == 1) continue;
      AddQuad(triangles, {c[i], c[j], 0}, {c[i + 1], c[j], 0}, {c[i + 1], c[j + 1], 0},
              {c[i], c[j + 1], 0});
    }
  }
  const MeshX mesh = MeshFromTriangles(triangles);
  SimplifyMeshX simplifier(mesh);
  ASSERT_TRUE(simplifier.Simplify());
  const MeshX& result = simplifier.GetResult();
  ExpectSameAreaPerPlane(mesh, result);
  EXPECT_LT(result.mIndexList.Size() / 3, triangles.size());
  EXPECT_EQ(CountTJunctions(result), 0u);
  for (const PolygonX& t : result.mPolygonList) {
    const Vector3fX center = t.GetCenter();
    EXPECT_FALSE(center.x > 10 && center.x < 20 && center.y > 10 && center.y < 20);
    for (const VertexX& v : t.vertexList) {
      EXPECT_TRUE(v.position.x >= 0 && v.position.x <= 30 && v.position.y >= 0 &&
                  v.position.y <= 30);
    }
  }
}

TEST(SimplifyMeshTest, ConvexTriangulationKeepsEveryEdgeVertex) {
  // A triangle with extra points on all edges and a square with points on one edge.
  const std::vector<std::vector<Vector3fX>> loops = {
      {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {1.5f, 1, 0}, {1, 2, 0}, {0.5f, 1, 0}},
      {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {3, 3, 0}, {0, 3, 0}}};
  for (const auto& loop : loops) {
    std::vector<uint32_t> triangles;
    ASSERT_TRUE(SimplifyMeshX::TriangulateConvex(loop, {0, 0, 1}, triangles));
    EXPECT_EQ(triangles.size(), 3 * (loop.size() - 2));
    std::vector<bool> used(loop.size(), false);
    for (size_t t = 0; t < triangles.size(); t += 3) {
      EXPECT_GT(TriangleArea(loop[triangles[t]], loop[triangles[t + 1]], loop[triangles[t + 2]]),
                1e-4);
      for (int k = 0; k < 3; ++k) used[triangles[t + k]] = true;
    }
    for (bool u : used) EXPECT_TRUE(u);
  }
}

namespace {
void CheckSurfaceKept(const MeshX& mesh, const char* name) {
  SimplifyMeshX simplifier(mesh);
  simplifier.Simplify();
  const MeshX& result = simplifier.GetResult();
  const uint32_t before = simplifier.GetInitialPolygonCount();
  const uint32_t after = result.mIndexList.Size() / 3;
  std::printf("[ simplify ] %s: %u triangles -> %u triangles (%u convex polygons, %u planes)\n",
              name, before, after, simplifier.GetConvexPolygons().Size(),
              simplifier.GetPlaneCount());
  EXPECT_LT(after, before) << name;
  ExpectSameAreaPerPlane(mesh, result);
  EXPECT_EQ(CountTJunctions(result), 0u) << name;
  for (const PolygonX& t : result.mPolygonList) EXPECT_TRUE(t.IsAPolygon());
}
}  // namespace

TEST(SimplifyMeshTest, TownCityAndLobbyKeepTheirSurface) {
  CheckSurfaceKept(MeshFromTriangles(Town()), "hand-made town");
  MeshX map;
  const std::string city = CityFile();
  if (!city.empty() && LoadMapTriangles(city, map)) CheckSurfaceKept(map, "bwcity2");
  const std::string lobby = SharedFile("q2map/mp_lobby_q2.bsp");
  if (!lobby.empty() && LoadMapTriangles(lobby, map)) CheckSurfaceKept(map, "mp_lobby_q2");
  if (city.empty() || lobby.empty()) GTEST_SKIP() << "city or lobby map missing";
}

TEST(SimplifyMeshTest, ResultIsTheSameWhateverTheThreads) {
  MeshX mesh = MeshFromTriangles(Town(4));
  const std::string lobby = SharedFile("q2map/mp_lobby_q2.bsp");
  MeshX map;
  if (!lobby.empty() && LoadMapTriangles(lobby, map)) mesh.AddMesh(map);
  auto run = [&](ThreadManagerX* jobs) {
    SimplifyMeshX simplifier(mesh, jobs);
    simplifier.Simplify();
    std::vector<float> values;
    for (const VertexX& v : simplifier.GetResult().mVertexList) {
      values.insert(values.end(), {v.position.x, v.position.y, v.position.z});
    }
    return values;
  };
  const std::vector<float> alone = run(nullptr);  // no job pool: everything on this thread
  ASSERT_FALSE(alone.empty());
  for (uint32_t threads : {1u, 2u, 4u}) {
    ThreadManagerX::CreateSingleton(threads);
    for (int repeat = 0; repeat < 3; ++repeat)
      EXPECT_EQ(run(GetThreadManagerX()), alone) << threads;
    ThreadManagerX::DestroySingleton();
  }
}
