// The renderable meshes' formats without a GL context: which format a section is drawn in, the
// primitive each point ordering makes (and the reports of the ones that cannot be drawn), the
// bytes of each vertex layout, and the counted registry of shared resources.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "PlainTextureX.h"
#include "ReportCaptureX.h"
#include "WorkspaceX.h"
#include "assets/MaterialX.h"
#include "assets/TextureX.h"
#include "geometry/MeshX.h"
#include "render/RenderableManagerX.h"
#include "render/VertexFormatsX.h"

namespace {

using namespace VertexFormatsX;

VertexX MakeVertex(float x, float y, float z, uint32_t colour = 0xFF000000u) {
  VertexX v;
  v.position = {x, y, z};
  v.texCoord = {x + 0.5f, y + 0.5f};
  v.lightmapCoord = {z + 0.25f, z + 0.75f};
  v.colour = colour;
  return v;
}

float FloatAt(const std::vector<uint8_t>& bytes, size_t offset) {
  float f = 0.0f;
  std::memcpy(&f, &bytes[offset], sizeof(f));
  return f;
}

class RenderableFormatsTest : public ::testing::Test {
 protected:
  // A material over a 4 x 4 raw texture, with a lightmap or without.
  static MaterialX* Material(const std::string& name, bool lightmap) {
    MaterialX* material = GetAssetImpl<MaterialX>(StringX(name.c_str()));
    material->AddTexture(PlainTexture(name + "Diffuse", 0, 0, 0, 4)->GetName());
    if (lightmap) material->SetLightmap(PlainTexture(name + "Light", 0, 0, 0, 4)->GetName());
    return material;
  }

  ReportCaptureX mLog;
  WorkspaceX mWorld;
};

// (The programs named for each format are checked by drawing with them: RenderableMeshTest.)
TEST_F(RenderableFormatsTest, TheMaterialChoosesTheFormat) {
  MaterialX* plain = GetAssetImpl<MaterialX>(StringX("Plain"));
  MaterialX* textured = Material("Wall", false);
  MaterialX* lightmapped = Material("LitWall", true);
  ASSERT_NE(textured->GetDiffuseTexture(), nullptr);
  ASSERT_NE(lightmapped->GetLightmap(), nullptr);

  EXPECT_EQ(ChooseVertexType(nullptr, false), uint32_t{VERTEXTYPE_COLOR});
  EXPECT_EQ(ChooseVertexType(plain, false), uint32_t{VERTEXTYPE_COLOR});
  EXPECT_EQ(ChooseVertexType(textured, false), uint32_t{VERTEXTYPE_TEXTURED});
  EXPECT_EQ(ChooseVertexType(lightmapped, false), uint32_t{VERTEXTYPE_LIGHTMAPPED});
  EXPECT_EQ(ChooseVertexType(lightmapped, true), uint32_t{VERTEXTYPE_CUBEMAPPED});
  EXPECT_EQ(ChooseVertexType(nullptr, true), uint32_t{VERTEXTYPE_CUBEMAPPED});

  EXPECT_EQ(GetStride(12345), 0u);
  EXPECT_EQ(GetDeclarationIndex(12345), uint32_t{VERTEXDECLARATION_COUNT});
}

TEST_F(RenderableFormatsTest, PointOrderingsMakeTheirPrimitives) {
  struct Case {
    uint32_t ordering, n, type, count, drawn;
  } cases[] = {
      {POINTORDER_POINTLIST, 5, PRIMITIVETYPE_POINTLIST, 5, 5},
      {POINTORDER_LINELIST, 6, PRIMITIVETYPE_LINELIST, 3, 6},
      {POINTORDER_LINESTRIP, 6, PRIMITIVETYPE_LINESTRIP, 5, 6},
      {POINTORDER_TRIANGLELIST, 9, PRIMITIVETYPE_TRIANGLELIST, 3, 9},
      {POINTORDER_TRIANGLESTRIP, 6, PRIMITIVETYPE_TRIANGLESTRIP, 4, 6},
      {POINTORDER_TRIANGLEFAN, 6, PRIMITIVETYPE_TRIANGLEFAN, 4, 6},
      // Too few vertices for a strip or fan draw nothing instead of wrapping around.
      {POINTORDER_TRIANGLESTRIP, 2, PRIMITIVETYPE_TRIANGLESTRIP, 0, 0},
      {POINTORDER_LINESTRIP, 0, PRIMITIVETYPE_LINESTRIP, 0, 0},
  };
  for (const Case& c : cases) {
    const PrimitiveX p = GetPrimitive(c.ordering, c.n);
    EXPECT_EQ(p.mType, c.type) << c.ordering;
    EXPECT_EQ(p.mCount, c.count) << c.ordering;
    EXPECT_EQ(GetDrawnVertexCount(p), c.drawn) << c.ordering;
  }
  EXPECT_EQ(mLog.CountText("No suitable primitive type found for current mesh!"), 0u);
}

TEST_F(RenderableFormatsTest, OrderingsThatCannotBeDrawnAreReportedAndDrawnAsPoints) {
  // A triangle list of 8 vertices: reported, and its 2 whole triangles drawn.
  PrimitiveX p = GetPrimitive(POINTORDER_TRIANGLELIST, 8);
  EXPECT_EQ(p.mCount, 2u);
  EXPECT_EQ(GetDrawnVertexCount(p), 6u);
  EXPECT_TRUE(mLog.HasText("section.Size() % 3 == 0"));
  p = GetPrimitive(POINTORDER_LINELIST, 7);
  EXPECT_EQ(p.mCount, 3u);
  EXPECT_TRUE(mLog.HasText("section.Size() % 2 == 0"));
  const char* faces[] = {"No suitable primitive type found for current mesh - POINTORDER_FACELIST",
                         "No suitable primitive type found for current mesh - POINTORDER_FACESTRIP",
                         "No suitable primitive type found for current mesh - POINTORDER_FACEFAN"};
  for (uint32_t ordering = POINTORDER_FACELIST; ordering <= POINTORDER_FACEFAN; ++ordering) {
    p = GetPrimitive(ordering, 4);
    EXPECT_EQ(p.mType, uint32_t{PRIMITIVETYPE_POINTLIST});
    EXPECT_EQ(p.mCount, 4u);
    EXPECT_TRUE(mLog.HasText(faces[ordering - POINTORDER_FACELIST]));
  }
  p = GetPrimitive(42, 4);
  EXPECT_EQ(p.mType, uint32_t{PRIMITIVETYPE_POINTLIST});
  EXPECT_TRUE(mLog.HasText("No suitable primitive type found for current mesh!"));
}

TEST_F(RenderableFormatsTest, VerticesArePackedInTheLayoutOfTheirFormat) {
  MeshX mesh;
  mesh.mVertexList.Add(MakeVertex(1, 2, 3, 0x80112233u));
  mesh.mVertexList.Add(MakeVertex(4, 5, 6, 0xFF445566u));
  mesh.mVertexList.Add(MakeVertex(7, 8, 9));
  // Two sections through the index list: the second one reads vertices 2, 0, 1.
  for (int32_t index : {0, 1, 2, 2, 0, 1}) mesh.mIndexList.Add(index);
  mesh.mSections.Add(SectionX{0, 3});
  mesh.mSections.Add(SectionX{3, 6});

  const std::vector<uint8_t> color = PackVertices(mesh, 1, VERTEXTYPE_COLOR);
  ASSERT_EQ(color.size(), 3u * 16);
  EXPECT_EQ(FloatAt(color, 0), 7.0f);
  EXPECT_EQ(FloatAt(color, 16 + 8), 3.0f);
  // ARGB 0x80112233 as the bytes red, green, blue, alpha.
  EXPECT_EQ(color[16 + 12], 0x11);
  EXPECT_EQ(color[16 + 13], 0x22);
  EXPECT_EQ(color[16 + 14], 0x33);
  EXPECT_EQ(color[16 + 15], 0x80);

  const std::vector<uint8_t> textured = PackVertices(mesh, 0, VERTEXTYPE_TEXTURED);
  ASSERT_EQ(textured.size(), 3u * 20);
  EXPECT_EQ(FloatAt(textured, 20 + 12), 4.5f);
  EXPECT_EQ(FloatAt(textured, 20 + 16), 5.5f);

  const std::vector<uint8_t> lightmapped = PackVertices(mesh, 0, VERTEXTYPE_LIGHTMAPPED);
  ASSERT_EQ(lightmapped.size(), 3u * 28);
  EXPECT_EQ(FloatAt(lightmapped, 28 * 2 + 12), 7.5f);
  EXPECT_EQ(FloatAt(lightmapped, 28 * 2 + 20), 9.25f);
  EXPECT_EQ(FloatAt(lightmapped, 28 * 2 + 24), 9.75f);

  const std::vector<uint8_t> cube = PackVertices(mesh, 0, VERTEXTYPE_CUBEMAPPED);
  ASSERT_EQ(cube.size(), 3u * 24);
  EXPECT_EQ(FloatAt(cube, 24 + 12), 4.0f);

  EXPECT_EQ(PackPositions(mesh, 1), (std::vector<float>{7, 8, 9, 1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(PackTexCoords(mesh, 1), (std::vector<float>{7.5f, 8.5f, 1.5f, 2.5f, 4.5f, 5.5f}));
  EXPECT_TRUE(PackVertices(mesh, 0, VERTEXTYPE_ANIMATED).empty());
}

TEST_F(RenderableFormatsTest, BadSectionsAndIndicesAreClippedAndReported) {
  MeshX mesh;
  mesh.mVertexList.Add(MakeVertex(1, 1, 1));
  for (int32_t index : {0, 7, -1}) mesh.mIndexList.Add(index);
  mesh.mSections.Add(SectionX{0, 3});
  mesh.mSections.Add(SectionX{2, 50});
  // Indices outside the vertex list give zero vertices, not reads past the list.
  EXPECT_EQ(PackPositions(mesh, 0), (std::vector<float>{1, 1, 1, 0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(mLog.HasText("RenderableMesh, an index points past the vertex list"));
  // A section reaching past the index list is cut at its end; one that does not exist is empty.
  EXPECT_EQ(GetSectionSize(mesh, 1), 1u);
  EXPECT_TRUE(
      mLog.HasText("RenderableMesh, a section reaches past the mesh's lists; drawn clipped"));
  EXPECT_EQ(GetSectionSize(mesh, 2), 0u);
  // Without an index list the section ranges over the vertex list itself.
  MeshX plain;
  for (int i = 0; i < 4; ++i) plain.mVertexList.Add(MakeVertex(float(i), 0, 0));
  EXPECT_EQ(PackPositions(plain, 0).size(), 12u);
}

TEST(RenderableManagerTest, SharedResourcesAreCountedAndFreedByTheLastUser) {
  RenderableManagerX manager;
  const RenderableManagerX::KeyX mesh{0x1000, RenderableManagerX::PART_STATIC, VERTEXTYPE_COLOR};
  const RenderableManagerX::KeyX otherFormat{0x1000, RenderableManagerX::PART_STATIC,
                                             VERTEXTYPE_CUBEMAPPED};
  const RenderableManagerX::KeyX frame{0x1000, RenderableManagerX::PART_FRAME, 0};
  EXPECT_EQ(manager.GetRenderable(mesh), 0u);
  EXPECT_TRUE(manager.AddRenderable(mesh, 7));
  EXPECT_FALSE(manager.AddRenderable(mesh, 8));   // taken: the first stays
  EXPECT_FALSE(manager.AddRenderable(frame, 0));  // no resource
  // The same mesh in another format (or as a key frame) is another buffer.
  EXPECT_EQ(manager.GetRenderable(otherFormat), 0u);
  EXPECT_EQ(manager.GetRenderable(frame), 0u);
  EXPECT_EQ(manager.GetRenderable(mesh), 7u);
  EXPECT_EQ(manager.GetReferences(mesh), 2u);
  EXPECT_EQ(manager.ReleaseRenderable(mesh), 0u);  // still used
  EXPECT_EQ(manager.ReleaseRenderable(mesh), 7u);  // the last user deletes it
  EXPECT_EQ(manager.GetCount(), 0u);
  EXPECT_EQ(manager.ReleaseRenderable(mesh), 0u);  // gone: nothing to delete twice
}

}  // namespace
