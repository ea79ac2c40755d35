// The mesh loader: reader choice by extension, combining sub-meshes into sections with shared
// vertices, and failures reported as failures through the mesh asset.
#include <gtest/gtest.h>

#include "assets/AssetManagerBaseX.h"
#include "assets/MaterialX.h"
#include "geometry/MeshX.h"
#include "loaders/MeshLoaderX.h"
#include "tests/loaders/LoaderTestWorld.h"
#include "tests/loaders/SampleModelsX.h"

namespace {

class MeshLoaderTest : public LoaderTestX {
 protected:
  MeshLoaderTest() { MeshLoaderX::CreateSingleton(); }
  ~MeshLoaderTest() override { MeshLoaderX::DestroySingleton(); }
};

std::vector<uint8_t> StillMd2(int frames) { return kxres::EncodeMd2(SampleMd2(frames, true)); }

TEST_F(MeshLoaderTest, ChoosesTheReaderByExtension) {
  EXPECT_EQ(MeshLoaderX::GetMeshType("maps\\x.BSP"), uint32_t(MESHTYPE_BSP));
  EXPECT_EQ(MeshLoaderX::GetMeshType("maps\\x.bsp"), uint32_t(MESHTYPE_BSP));
  EXPECT_EQ(MeshLoaderX::GetMeshType("a.3DS"), uint32_t(MESHTYPE_3DS));
  EXPECT_EQ(MeshLoaderX::GetMeshType("m.Md2"), uint32_t(MESHTYPE_MD2));
  EXPECT_EQ(MeshLoaderX::GetMeshType("x.obj"), uint32_t(MESHTYPE_UNKNOWN));
  EXPECT_EQ(MeshLoaderX::GetMeshType("folder.md2\\x"), uint32_t(MESHTYPE_UNKNOWN));

  MeshX mesh(StringX("x.obj"));
  EXPECT_FALSE(GetMeshLoader()->LoadMesh("x.obj", mesh));
  EXPECT_TRUE(reports.HasLog("Could not load x.obj"));
  EXPECT_FALSE(GetMeshLoader()->LoadMesh("missing.bsp", mesh));
  EXPECT_TRUE(reports.HasLog("Could not load missing.bsp"));
}

TEST_F(MeshLoaderTest, LoadingIntoAFilledMeshAsserts) {
  world.Write("Resources/Models/still.md2", StillMd2(1));
  MeshX mesh(StringX("still.md2"));
  mesh.mPolygonList.Add(PolygonX());
  GetMeshLoader()->LoadMesh("still.md2", mesh);
  EXPECT_TRUE(reports.HasAssert("mesh.mPolygonList.Empty()"));
}

TEST_F(MeshLoaderTest, ModelFramesBecomeSectionsSharingVertices) {
  world.Write("Resources/Models/still.md2", StillMd2(3));
  MeshX* mesh = GetAssetImpl<MeshX>(StringX("still.md2"));
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(std::string(mesh->GetName().GetCharArray()), "still.md2");
  ASSERT_EQ(mesh->mSections.Size(), 3u);
  ASSERT_EQ(mesh->mMaterials.Size(), 3u);
  for (uint32_t s = 0; s < 3; ++s) {
    EXPECT_EQ(mesh->mSections[s].first, s * 30);
    EXPECT_EQ(mesh->mSections[s].end, (s + 1) * 30);
    EXPECT_EQ(mesh->mMaterials[s], mesh->mMaterials[0]);
  }
  EXPECT_EQ(mesh->mIndexList.Size(), 90u);
  // Three identical frames of six distinct corners share six vertices.
  EXPECT_EQ(mesh->mVertexList.Size(), 6u);
  for (uint32_t i = 0; i < 30; ++i) {
    EXPECT_EQ(mesh->mIndexList[i], mesh->mIndexList[i + 30]);
    EXPECT_EQ(mesh->mIndexList[i], mesh->mIndexList[i + 60]);
  }
}

TEST_F(MeshLoaderTest, CombineSharesIdenticalVerticesAcrossSubMeshes) {
  auto triangle = [](float x) {
    MeshX* part = new MeshX;
    for (int i = 0; i < 3; ++i) {
      VertexX v;
      v.position = Vector3fX{x + float(i), float(i == 2), 0.f};
      part->mIndexList.Add(int32_t(part->mVertexList.Size()));
      part->mVertexList.Add(v);
    }
    return part;
  };
  ArrayX<MeshX*> parts;
  parts.Add(triangle(0.f));  // (0,0) (1,0) (2,1)
  parts.Add(triangle(1.f));  // (1,0) shared, (2,0) (3,1)
  parts.Add(new MeshX);      // no vertices: no section
  MeshX mesh(StringX("old name"));
  MeshLoaderImplX::CombineMeshes(parts, "combined", mesh);
  EXPECT_EQ(std::string(mesh.GetName().GetCharArray()), "combined");
  EXPECT_EQ(mesh.mVertexList.Size(), 5u);
  ASSERT_EQ(mesh.mSections.Size(), 2u);
  ASSERT_EQ(mesh.mMaterials.Size(), 2u);
  EXPECT_EQ(mesh.mMaterials[0], nullptr);
  EXPECT_EQ(mesh.mIndexList[1], mesh.mIndexList[3]);
  EXPECT_EQ(mesh.mSections[1].first, 3u);
  EXPECT_EQ(mesh.mSections[1].end, 6u);
}

TEST_F(MeshLoaderTest, FailedReadsLeaveNoMesh) {
  std::vector<uint8_t> broken = StillMd2(2);
  broken[0] = 'X';
  world.Write("Resources/Models/broken.md2", broken);
  EXPECT_EQ(GetAssetImpl<MeshX>(StringX("broken.md2")), nullptr);
  EXPECT_TRUE(reports.HasLog("Could not load broken.md2: the file is damaged"));
  EXPECT_TRUE(reports.HasLog("Could not load mesh!"));

  // A map that reads but holds no faces is not a mesh either.
  TestMapBuilder empty;
  world.Write("Resources/maps/empty.bsp", empty.Encode());
  EXPECT_EQ(GetAssetImpl<MeshX>(StringX("empty.bsp")), nullptr);
  EXPECT_TRUE(reports.HasLog("Could not load empty.bsp: it holds no geometry"));
}

TEST_F(MeshLoaderTest, MapLoadsAsOneMeshWithASectionPerTexture) {
  TestMapBuilder map;
  const uint16_t a = map.AddTexInfo("a/one"), b = map.AddTexInfo("b/two");
  map.AddSquare(0, 0, 16, b, -1);
  map.AddSquare(16, 0, 16, a, -1);
  map.AddSquare(32, 0, 16, b, -1);
  world.Write("Resources/maps/two.bsp", map.Encode());
  MeshX* mesh = GetAssetImpl<MeshX>(StringX("two.bsp"));
  ASSERT_NE(mesh, nullptr);
  ASSERT_EQ(mesh->mSections.Size(), 2u);
  EXPECT_EQ(mesh->mSections[0].end - mesh->mSections[0].first, 6u);
  EXPECT_EQ(mesh->mSections[1].end - mesh->mSections[1].first, 12u);
  EXPECT_EQ(std::string(mesh->mMaterials[0]->GetDiffuseTextureName().GetCharArray()), "a\\one.WAL");
  // Neighbouring squares share their edge corners only when texture coordinates agree too.
  EXPECT_EQ(mesh->mPolygonList.Size(), 6u);
}

}  // namespace
