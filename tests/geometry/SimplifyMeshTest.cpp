// Mesh simplification: the surface is kept (area per plane, coverage), T-junctions are gone,
// the polygon count drops, and the result is the same however the job threads run.
#include <gtest/gtest.h>

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

double TriangleArea(const Vector3fX& a, const Vector3fX& b, const Vector3fX& c) {
  return Cross(Vector3dX(b) - Vector3dX(a), Vector3dX(c) - Vector3dX(a)).Length() * 0.5;
}

// Area summed per plane (planes equal within the simplifier's key tolerance).
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
    PlaneSumX* sum = nullptr;
    for (PlaneSumX& s : sums) {
      if (Equal(s.plane.d, plane.d, 0.1f) && Equal(s.plane.normal, plane.normal, 0.01f)) sum = &s;
    }
    if (!sum) {
      sums.push_back({plane, 0.0});
      sum = &sums.back();
    }
    sum->area += TriangleArea(a, b, c);
  }
  return sums;
}

void ExpectSameAreaPerPlane(const MeshX& before, const MeshX& after) {
  const std::vector<PlaneSumX> in = AreaPerPlane(before);
  const std::vector<PlaneSumX> out = AreaPerPlane(after);
  for (const PlaneSumX& s : in) {
    double found = 0.0;
    for (const PlaneSumX& o : out) {
      if (Equal(s.plane.d, o.plane.d, 0.1f) && Equal(s.plane.normal, o.plane.normal, 0.01f)) {
        found += o.area;
      }
    }
    EXPECT_NEAR(found, s.area, 1e-3 * std::max(1.0, s.area))
        << "plane " << s.plane.normal.x << "," << s.plane.normal.y << "," << s.plane.normal.z
        << " d " << s.plane.d;
  }
}

// Number of result vertices lying inside an edge of a triangle of the same plane.
size_t CountTJunctions(const SimplifyMeshX& simplifier) {
  const MeshX& mesh = simplifier.GetResult();
  size_t count = 0;
  const ArrayX<PolygonX>& triangles = mesh.mPolygonList;
  for (uint32_t i = 0; i < triangles.Size(); ++i) {
    const PolygonX& t = triangles[i];
    for (uint32_t e = 0; e < 3; ++e) {
      const Vector3dX a(t.vertexList[e].position);
      const Vector3dX b(t.vertexList[(e + 1) % 3].position);
      const Vector3dX ab = b - a;
      for (uint32_t j = 0; j < triangles.Size(); ++j) {
        const PolygonX& other = triangles[j];
        if (j == i || !Equal(other.plane.d, t.plane.d, 0.1f) ||
            !Equal(other.plane.normal, t.plane.normal, 0.01f)) {
          continue;
        }
        for (const VertexX& v : other.vertexList) {
          const Vector3dX p(v.position);
          const double s = Dot(p - a, ab) / ab.LengthSquared();
          if (s <= 1e-4 || s >= 1 - 1e-4) continue;
          if ((p - (a + ab * s)).Length() < 1e-3) ++count;
        }
      }
    }
  }
  return count;
}

MeshX Simplified(const MeshX& mesh, SimplifyMeshX** keep = nullptr) {
  auto* simplifier = new SimplifyMeshX(mesh);
  simplifier->Simplify();
  MeshX result = simplifier->GetResult();
  if (keep) {
    *keep = simplifier;
  } else {
    delete simplifier;
  }
  return result;
}

}  // namespace

TEST(SimplifyMeshTest, GridOfFourSquaresBecomesTwoTriangles) {
  std::vector<TriangleX> triangles;
  AddTiledQuad(triangles, {0, 0, 0}, {2, 0, 0}, {0, 2, 0}, 2);
  ASSERT_EQ(triangles.size(), 8u);
  const MeshX mesh = MeshFromTriangles(triangles);
  SimplifyMeshX simplifier(mesh);
  ASSERT_TRUE(simplifier.Simplify());
  EXPECT_EQ(simplifier.GetResult().mIndexList.Size(), 6u);
  EXPECT_EQ(simplifier.GetConvexPolygons().Size(), 1u);
  EXPECT_EQ(simplifier.GetResult().mPointOrdering, uint32_t(POINTORDER_TRIANGLELIST));
  ExpectSameAreaPerPlane(mesh, simplifier.GetResult());
}

TEST(SimplifyMeshTest, StageLogsAndSmallCases) {
  {
    ReportCaptureX log;
    const TriangleX t = {Vector3fX{0, 0, 0}, Vector3fX{1, 0, 0}, Vector3fX{0, 1, 0}};
    const MeshX result = Simplified(MeshFromTriangles({t, t}));
    EXPECT_TRUE(log.Has("Removed 1 equal polygon(s)"));
    EXPECT_EQ(result.mIndexList.Size(), 3u);
  }
  {
    ReportCaptureX log;
    const MeshX result = Simplified(
        MeshFromTriangles({{Vector3fX{0, 0, 0}, Vector3fX{1, 0, 0}, Vector3fX{0, 1, 0}},
                           {Vector3fX{0, 0, 5}, Vector3fX{1, 0, 5}, Vector3fX{0, 1, 5}},
                           {Vector3fX{0, 0, 0}, Vector3fX{0, 0, 1}, Vector3fX{1, 0, 0}}}));
    EXPECT_TRUE(log.Has("Found 3 planes in mesh"));
    EXPECT_TRUE(log.Has("Simplified mesh down from 3 to 3 polygons!"));
  }
  {
    ReportCaptureX log;
    SimplifyMeshX simplifier{MeshX()};
    EXPECT_FALSE(simplifier.Simplify());
    EXPECT_TRUE(log.Has("no polys"));
  }
}

TEST(SimplifyMeshTest, VerticesWithinTheToleranceAreMergedOthersNot) {
  // Two triangles of a square whose shared corners are 0.0005 (merged) or 0.002 (kept) apart.
  for (const float gap : {0.0005f, 0.002f}) {
    const MeshX mesh = MeshFromTriangles(
        {{Vector3fX{0, 0, 0}, Vector3fX{10, 0, 0}, Vector3fX{10, 10, 0}},
         {Vector3fX{gap, 0, 0}, Vector3fX{10 + gap, 10, 0}, Vector3fX{0, 10, 0}}});
    ReportCaptureX log;
    SimplifyMeshX simplifier(mesh);
    ASSERT_TRUE(simplifier.Simplify());
    if (gap < 0.001f) {
      EXPECT_TRUE(log.Has("Total unique vertices 4 Merged 2 vertices out of 6"));
      EXPECT_EQ(simplifier.GetConvexPolygons().Size(), 1u);
    } else {
      EXPECT_TRUE(log.Has("Total unique vertices 6 Merged 0 vertices out of 6"));
    }
  }
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
  SimplifyMeshX* simplifier = nullptr;
  const MeshX result = Simplified(mesh, &simplifier);
  ExpectSameAreaPerPlane(mesh, result);
  EXPECT_LT(result.mIndexList.Size() / 3, triangles.size());
  EXPECT_EQ(CountTJunctions(*simplifier), 0u);
  for (const PolygonX& t : result.mPolygonList) {
    const Vector3fX center = t.GetCenter();
    EXPECT_FALSE(center.x > 10 && center.x < 20 && center.y > 10 && center.y < 20);
    for (const VertexX& v : t.vertexList) {
      EXPECT_TRUE(v.position.x >= 0 && v.position.x <= 30 && v.position.y >= 0 &&
                  v.position.y <= 30);
    }
  }
  delete simplifier;
}

TEST(SimplifyMeshTest, TJunctionsBecomeSharedVertices) {
  // A big triangle beside two small ones that split its edge at (0, 5).
  const MeshX mesh =
      MeshFromTriangles({{Vector3fX{0, 0, 0}, Vector3fX{0, 10, 0}, Vector3fX{-10, 5, 0}},
                         {Vector3fX{0, 0, 0}, Vector3fX{8, 0, 0}, Vector3fX{0, 5, 0}},
                         {Vector3fX{0, 5, 0}, Vector3fX{8, 10, 0}, Vector3fX{0, 10, 0}}});
  SimplifyMeshX simplifier(mesh);
  ReportCaptureX log;
  ASSERT_TRUE(simplifier.Simplify());
  EXPECT_TRUE(log.Has("Number of T-Junctions removed 1"));
  EXPECT_EQ(CountTJunctions(simplifier), 0u);
  ExpectSameAreaPerPlane(mesh, simplifier.GetResult());
}

TEST(SimplifyMeshTest, OverlappingTrianglesKeepOnlyTheirUnion) {
  // Two right triangles of area 50, the second moved by (1, 1): they share a triangle of
  // area 32, so the union covers 68.
  const MeshX mesh =
      MeshFromTriangles({{Vector3fX{0, 0, 0}, Vector3fX{10, 0, 0}, Vector3fX{0, 10, 0}},
                         {Vector3fX{1, 1, 0}, Vector3fX{11, 1, 0}, Vector3fX{1, 11, 0}}});
  ReportCaptureX log;
  SimplifyMeshX simplifier(mesh);
  ASSERT_TRUE(simplifier.Simplify());
  EXPECT_TRUE(log.Has("Number of overlapping polygons 1"));
  const std::vector<PlaneSumX> sums = AreaPerPlane(simplifier.GetResult());
  ASSERT_EQ(sums.size(), 1u);
  EXPECT_NEAR(sums[0].area, 68.0, 1e-3);
  EXPECT_EQ(CountTJunctions(simplifier), 0u);
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
  SimplifyMeshX* simplifier = nullptr;
  const MeshX result = Simplified(mesh, &simplifier);
  const uint32_t before = simplifier->GetInitialPolygonCount();
  const uint32_t after = result.mIndexList.Size() / 3;
  std::printf("[ simplify ] %s: %u triangles -> %u triangles (%u convex polygons, %u planes)\n",
              name, before, after, simplifier->GetConvexPolygons().Size(),
              simplifier->GetPlaneCount());
  EXPECT_LT(after, before) << name;
  ExpectSameAreaPerPlane(mesh, result);
  EXPECT_EQ(CountTJunctions(*simplifier), 0u) << name;
  for (const PolygonX& t : result.mPolygonList) EXPECT_TRUE(t.IsAPolygon());
  delete simplifier;
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
  auto run = [&] {
    SimplifyMeshX simplifier(mesh);
    simplifier.Simplify();
    std::vector<float> values;
    for (const VertexX& v : simplifier.GetResult().mVertexList) {
      values.insert(values.end(), {v.position.x, v.position.y, v.position.z});
    }
    return values;
  };
  const std::vector<float> alone = run();  // no job pool: everything on this thread
  ASSERT_FALSE(alone.empty());
  for (uint32_t threads : {1u, 2u, 4u}) {
    ThreadManagerX::CreateSingleton(threads);
    for (int repeat = 0; repeat < 3; ++repeat) EXPECT_EQ(run(), alone) << threads;
    ThreadManagerX::DestroySingleton();
  }
}
