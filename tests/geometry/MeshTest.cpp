// Meshes: primitive topology, polygon and edge lists, collision polygons, transformation,
// copying and merging.
#include <gtest/gtest.h>

#include "ReportCaptureX.h"
#include "engine/FunctionLibraryX.h"
#include "geometry/MeshX.h"
#include "tests/geometry/GeometryTestSupport.h"

using namespace geomtest;

namespace {
double SignedVolume(const MeshX& mesh) {
  double volume = 0.0;
  for (uint32_t i = 0; i + 3 <= mesh.mIndexList.Size(); i += 3) {
    const Vector3dX a(mesh.mVertexList[mesh.mIndexList[i]].position);
    const Vector3dX b(mesh.mVertexList[mesh.mIndexList[i + 1]].position);
    const Vector3dX c(mesh.mVertexList[mesh.mIndexList[i + 2]].position);
    volume += Dot(a, Cross(b, c)) / 6.0;
  }
  return volume;
}

MeshX MeshOf(const char* name, std::initializer_list<Vector3fX> positions) {
  MeshX mesh{StringX(name)};
  for (const Vector3fX& p : positions) mesh.mVertexList.Add(MakeVertex(p.x, p.y, p.z));
  return mesh;
}

// Two triangles sharing the edge (1,0,0)-(0,1,0), as an indexed triangle list.
MeshX TwoTriangles() {
  MeshX mesh = MeshOf("two", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}});
  for (int32_t index : {0, 1, 2, 1, 3, 2}) mesh.mIndexList.Add(index);
  return mesh;
}

uint32_t SharedEdges(const MeshX& mesh) {
  uint32_t shared = 0;
  for (const EdgeX& edge : mesh.mEdgeList) shared += edge.mPolygonFirst && edge.mPolygonLast;
  return shared;
}
}  // namespace

TEST(MeshPrimitiveTest, CountsNamesAndOneSection) {
  const struct {
    uint32_t kind, a, b;
    const char* name;
    uint32_t vertices, indices;
  } cases[] = {
      {PRIMITIVE_PLANE, 1, 1, "PRIMITIVE_PLANE - 11", 4, 6},
      {PRIMITIVE_PLANE, 2, 3, "PRIMITIVE_PLANE - 23", 12, 36},
      // The sphere's seam and poles are shared vertices.
      {PRIMITIVE_SPHERE, 4, 6, "PRIMITIVE_SPHERE - 46", 2 + 3 * 6, 2 * 6 * 3 * 3},
      {PRIMITIVE_DISC, 8, 0, "PRIMITIVE_DISC - 80", 9, 24},
  };
  for (const auto& c : cases) {
    const MeshX mesh(c.kind, c.a, c.b);
    SCOPED_TRACE(c.name);
    EXPECT_EQ(mesh.GetName(), c.name);
    EXPECT_EQ(mesh.mVertexList.Size(), c.vertices);
    EXPECT_EQ(mesh.mIndexList.Size(), c.indices);
    EXPECT_EQ(mesh.mPointOrdering, uint32_t(POINTORDER_TRIANGLELIST));
    ASSERT_EQ(mesh.mSections.Size(), 1u);
    EXPECT_EQ(mesh.mSections[0].first, 0u);
    EXPECT_EQ(mesh.mSections[0].end, c.indices);
    for (uint32_t i = 0; i < mesh.mVertexList.Size(); ++i) {
      EXPECT_EQ(mesh.mVertexList[i].colour >> 24, 0xFFu);
      for (uint32_t j = i + 1; j < mesh.mVertexList.Size(); ++j)
        EXPECT_FALSE(Equal(mesh.mVertexList[i].position, mesh.mVertexList[j].position));
    }
  }
  for (const VertexX& v : MeshX(PRIMITIVE_PLANE, 2, 3).mVertexList) EXPECT_TRUE(IsZero(v.normal));
  EXPECT_EQ(MeshX::GetPrimitiveName(PRIMITIVE_SPHERE, 16, 12), "PRIMITIVE_SPHERE - 1612");
  EXPECT_EQ(MeshX::GetPrimitiveName(PRIMITIVE_STAR, 3, 4), "PRIMITIVE_STAR");
  EXPECT_EQ(MeshX::GetPrimitiveName(PRIMITIVE_CYLENDER, 8, 2), "PRIMITIVE_CYLENDER - 82");
}

TEST(MeshPrimitiveTest, VertexColoursComeFromTheEngineGenerator) {
  FunctionsX::SeedRand(1);
  const MeshX plane(PRIMITIVE_PLANE, 1, 1);
  // Draws 41, 18467, 6334 -> red 0, green 143, blue 49.
  EXPECT_EQ(plane.mVertexList[0].colour, 0xFF008F31u);
}

TEST(MeshPrimitiveTest, SolidsAreClosedOutwardAndUnitSized) {
  ReportCaptureX capture;
  struct Case {
    uint32_t kind, a, b;
    float extent;
  };
  const Case cases[] = {{PRIMITIVE_SPHERE, 3, 3, 1.f},   {PRIMITIVE_SPHERE, 16, 12, 1.f},
                        {PRIMITIVE_CYLENDER, 3, 2, .5f}, {PRIMITIVE_CYLENDER, 12, 5, .5f},
                        {PRIMITIVE_BOX, 1, 1, .5f},      {PRIMITIVE_BOX, 3, 2, .5f},
                        {PRIMITIVE_TORUS, 1, 1, .5f},    {PRIMITIVE_TORUS, 16, 8, .5f}};
  for (const Case& c : cases) {
    MeshX mesh(c.kind, c.a, c.b);
    SCOPED_TRACE(mesh.GetName().GetCharArray());
    ASSERT_FALSE(mesh.mIndexList.Empty());
    EXPECT_GT(SignedVolume(mesh), 0.0);
    for (const VertexX& v : mesh.mVertexList) {
      EXPECT_LE(std::fabs(v.position.x), c.extent + 1e-5f);
      EXPECT_LE(std::fabs(v.position.y), c.extent + 1e-5f);
      EXPECT_LE(std::fabs(v.position.z), c.extent + 1e-5f);
    }
    mesh.CreateEdgeList();
    const uint32_t triangles = mesh.mIndexList.Size() / 3;
    ASSERT_EQ(mesh.mPolygonList.Size(), triangles);
    EXPECT_EQ(mesh.mEdgeList.Size() * 2, triangles * 3);
    for (const EdgeX& edge : mesh.mEdgeList) EXPECT_FALSE(edge.IsBoundary());
    // Flat normals point away from the centre.
    for (const PolygonX& polygon : mesh.mPolygonList) {
      ASSERT_TRUE(polygon.HasCreatedPlane());
      EXPECT_EQ(polygon.vertexList[0].normal.x, polygon.plane.normal.x);
    }
  }
  EXPECT_EQ(capture.Count(ReportCaptureX::KindX::Assert), 0u);
}

TEST(MeshPrimitiveTest, DiscStarAndBadParameters) {
  ReportCaptureX capture;
  MeshX disc(PRIMITIVE_DISC, 8, 0);
  disc.CreateEdgeList();
  uint32_t boundary = 0;
  for (const EdgeX& edge : disc.mEdgeList) boundary += edge.IsBoundary();
  EXPECT_EQ(boundary, 8u);
  for (const PolygonX& polygon : disc.mPolygonList) {
    EXPECT_TRUE(Equal(polygon.plane.normal, Vector3fX(0, 0, 1)));
  }
  EXPECT_EQ(capture.Count(ReportCaptureX::KindX::Assert), 0u);

  const MeshX star(PRIMITIVE_STAR, 1, 1);
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::NotDone, "Not Done"), 1u);
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "!mIndexList.Empty()"), 1u);
  EXPECT_EQ(star.GetName(), "PRIMITIVE_STAR");

  const MeshX unknown(9, 1, 1);
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "Unknown primitive type!"),
            2u);  // name and builder
  const MeshX flatSphere(PRIMITIVE_SPHERE, 2, 8);
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "longitude > 2 && latitude > 2"), 1u);
  const MeshX noPlane(PRIMITIVE_PLANE, 0, 3);
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "numberX > 0 && numberY > 0"), 1u);
  EXPECT_TRUE(noPlane.mVertexList.Empty());
}

TEST(MeshListTest, PolygonListFromTriangleListAndStrip) {
  ReportCaptureX capture;
  MeshX list = TwoTriangles();
  list.mIndexList.Add(3);  // 7 entries: the last one is no triangle
  list.CreatePolygonList(true);
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "(maxLength % 3) == 0"), 1u);
  EXPECT_EQ(list.mPolygonList.Size(), 2u);
  EXPECT_EQ(list.mIndexList.Size(), 7u);
  list.CreatePolygonList(false);  // already built: only the lists are dropped
  EXPECT_EQ(list.mPolygonList.Size(), 2u);
  EXPECT_TRUE(list.mIndexList.Empty());
  EXPECT_TRUE(list.mVertexList.Empty());

  MeshX strip = MeshOf("strip", {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {2, 0, 0}});
  strip.mPointOrdering = POINTORDER_TRIANGLESTRIP;
  strip.CreatePolygonList(true);
  ASSERT_EQ(strip.mPolygonList.Size(), 3u);
  EXPECT_LT(strip.mPolygonList[0].plane.normal.z, 0.f);
  EXPECT_GT(strip.mPolygonList[1].plane.normal.z, 0.f);  // every second one turns the other way
  EXPECT_LT(strip.mPolygonList[2].plane.normal.z, 0.f);

  MeshX shortStrip = MeshOf("short", {{0, 0, 0}});
  shortStrip.mPointOrdering = POINTORDER_TRIANGLESTRIP;
  shortStrip.CreatePolygonList(false);
  EXPECT_TRUE(shortStrip.mPolygonList.Empty());
  EXPECT_EQ(shortStrip.mVertexList.Size(), 1u);  // nothing built, nothing dropped

  MeshX fan = TwoTriangles();
  fan.mPointOrdering = POINTORDER_TRIANGLEFAN;
  fan.CreatePolygonList(false);
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "No such pointOrdering"), 1u);
  EXPECT_EQ(fan.mIndexList.Size(), 6u);

  MeshX broken = TwoTriangles();
  broken.mIndexList[4] = 17;
  broken.CreatePolygonList(true);
  EXPECT_EQ(broken.mPolygonList.Size(), 1u);
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "index < mVertexList.Size()"), 1u);

  // Back to unshared lists: index i refers to vertex i.
  list.CreateVertexListIndexLists();
  EXPECT_EQ(list.mVertexList.Size(), 6u);
  for (uint32_t i = 0; i < 6; ++i) EXPECT_EQ(list.mIndexList[i], int32_t(i));
}

TEST(MeshListTest, EdgeListOfTwoTriangles) {
  ReportCaptureX capture;
  MeshX mesh = TwoTriangles();
  mesh.CreateEdgeList();
  EXPECT_EQ(mesh.mEdgeList.Size(), 5u);
  EXPECT_EQ(SharedEdges(mesh), 1u);
  for (const EdgeX& edge : mesh.mEdgeList) {
    EXPECT_TRUE(edge.mFirstIndex0 < 3 && edge.mFirstIndex1 < 3);
    EXPECT_GE(edge.mPolygonFirst, mesh.mPolygonList.begin());
    EXPECT_LT(edge.mPolygonFirst, mesh.mPolygonList.end());
  }
  for (const PolygonX& polygon : mesh.mPolygonList) {
    EXPECT_TRUE(Equal(polygon.vertexList[0].normal, Vector3fX(0, 0, 1)));
  }
  mesh.CreateEdgeList();
  EXPECT_EQ(capture.CountLog("Edgelist already created! meshName=two"), 1u);
  MeshX empty(StringX("nothing"));
  empty.CreateEdgeList();
  EXPECT_EQ(capture.CountLog("Can't create EdgeList, PolygonList need to have at least 2 items, "
                             "meshName=nothing"),
            1u);
}

TEST(MeshListTest, CollisionPolygonsShareCornersAndFollowTheFlags) {
  const MeshX indexed = TwoTriangles();
  ArrayX<PolygonLightX> lights;
  indexed.GetMeshAsPolygonLightList(lights);
  ASSERT_EQ(lights.Size(), 2u);
  ArrayX<Vector3fX>* positions = lights[0].mMainVertexList;
  ASSERT_NE(positions, nullptr);
  EXPECT_EQ(positions->Size(), 4u);
  EXPECT_EQ(lights[1].mMainVertexList, positions);
  EXPECT_EQ(lights[0].mCollisionFlags, 0u);

  MeshX withPolygons = TwoTriangles();
  withPolygons.CreatePolygonList(false);
  withPolygons.mPolygonList[0].SetSurfaceFlags(0x80, 0x80000 | 0x20);  // bit 27 set: skipped
  withPolygons.mPolygonList[1].SetSurfaceFlags(0, 0x20);
  withPolygons.GetMeshAsPolygonLightList(lights);  // appends on the same shared list
  ASSERT_EQ(lights.Size(), 3u);
  EXPECT_EQ(lights[2].mCollisionFlags, PolygonLightX::sFlagBit5);
  EXPECT_EQ(positions->Size(), 4u);
  delete positions;

  ArrayX<PolygonLightX> none;
  MeshX(StringX("empty")).GetMeshAsPolygonLightList(none);  // no list is left behind
  EXPECT_TRUE(none.Empty());
}

TEST(MeshTransformTest, PositionsNormalsAndPlanesMove) {
  ReportCaptureX capture;
  MeshX mesh = TwoTriangles();
  mesh.CreatePolygonList(true);
  mesh.CreateNormals();
  Matrix4X m;
  m.m[0][0] = 2.f;  // scale x
  m.m[3][2] = 5.f;  // translate z
  m.m[0][1] = 0.f;
  mesh.TransformMesh(m);
  EXPECT_TRUE(Equal(mesh.mVertexList[3].position, Vector3fX(2, 1, 5)));
  EXPECT_TRUE(Equal(mesh.mPolygonList[1].vertexList[1].position, Vector3fX(2, 1, 5)));
  EXPECT_TRUE(Equal(mesh.mPolygonList[0].vertexList[0].normal, Vector3fX(0, 0, 1)));
  EXPECT_NEAR(mesh.mPolygonList[0].plane.d, 5.f, 1e-5f);
  EXPECT_EQ(capture.Count(ReportCaptureX::KindX::Assert), 0u);

  Matrix4X perspective = Matrix4X::PerspectiveFovRH(1.f, 1.f, 0.1f, 100.f);
  mesh.TransformMesh(perspective);
  // Only the polygons' vertices have non-zero normals.
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "Equal(tempNorm.W, 0.f)"), 6u);
}

TEST(MeshCopyTest, CopiesOwnTheirEdgesAndMergesKeepEverythingDrawable) {
  MeshX* source = new MeshX(PRIMITIVE_BOX, 1, 1);
  source->CreateEdgeList();
  const MeshX copy(*source);
  delete source;  // the copy's edges must not point into the deleted mesh
  ASSERT_EQ(copy.mEdgeList.Size(), 18u);
  for (const EdgeX& edge : copy.mEdgeList) {
    ASSERT_GE(edge.mPolygonFirst, copy.mPolygonList.begin());
    ASSERT_LT(edge.mPolygonLast, copy.mPolygonList.end());
    EXPECT_TRUE(edge.mPolygonFirst->IsAPolygon());
  }
  MeshX assigned;
  assigned = copy;
  EXPECT_EQ(assigned.GetName(), copy.GetName());
  EXPECT_EQ(assigned.mEdgeList[0].mPolygonFirst - assigned.mPolygonList.begin(),
            copy.mEdgeList[0].mPolygonFirst - copy.mPolygonList.begin());

  MeshX merged = TwoTriangles();
  merged.mSections.Add(SectionX{0, 6});
  merged.CreateEdgeList();
  merged.AddMesh(copy);
  EXPECT_EQ(merged.mVertexList.Size(), 4u + copy.mVertexList.Size());
  EXPECT_EQ(merged.mIndexList[6], copy.mIndexList[0] + 4);
  ASSERT_EQ(merged.mSections.Size(), 2u);
  EXPECT_EQ(merged.mSections[1].first, 6u);
  EXPECT_EQ(merged.mSections[1].end, 6u + copy.mIndexList.Size());
  EXPECT_EQ(merged.mPolygonList.Size(), 2u + copy.mPolygonList.Size());
  EXPECT_EQ(merged.mEdgeList.Size(), 5u + 18u);
  for (const EdgeX& edge : merged.mEdgeList) {
    ASSERT_GE(edge.mPolygonFirst, merged.mPolygonList.begin());
    ASSERT_LT(edge.mPolygonFirst, merged.mPolygonList.end());
  }
}

TEST(MeshAssetTest, GenerationGoesThroughTheMeshLoader) {
  ReportCaptureX capture;
  MeshX mesh(StringX("missing.md2"));
  SetMeshLoaderFunction(nullptr);
  EXPECT_FALSE(mesh.GenerateAsset(nullptr));
  EXPECT_EQ(capture.CountLog("Could not load mesh!"), 1u);
  SetMeshLoaderFunction([](MeshX& target) {
    target.mVertexList.Add(VertexX());
    return true;
  });
  EXPECT_TRUE(mesh.GenerateAsset(nullptr));
  EXPECT_EQ(mesh.mVertexList.Size(), 1u);
  SetMeshLoaderFunction(nullptr);
  MeshX unnamed;
  EXPECT_TRUE(unnamed.GetName().Empty());
  EXPECT_FALSE(unnamed.GenerateAsset(nullptr));
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "!GetName().Empty()"), 1u);
  mesh.CleanRemoveDuplicateVerts();
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::NotDone, "Not Done"), 1u);
}
