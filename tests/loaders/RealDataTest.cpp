// Maps and models made by other tools (the shared test data) and the generated city, each
// skipped when its file is absent.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "assets/MaterialX.h"
#include "geometry/MeshX.h"
#include "loaders/MeshLoaderX.h"
#include "loaders/Read3DSX.h"
#include "loaders/ReadBSPQuakeX.h"
#include "tests/loaders/LoaderTestWorld.h"

namespace {

std::string SharedFile(const std::string& relative) {
  const std::string path = RealTestDataFolder() + relative;
  return std::filesystem::exists(path) ? path : std::string();
}

// What every map mesh must satisfy: whole triangles, the triangle count of the face fans,
// lightmap coordinates inside the atlas or the marker.
void CheckMapMeshes(const ReadBSPQuake& reader, const ArrayX<MeshX*>& meshes) {
  uint32_t fans = 0;
  for (size_t f = 0; f < reader.GetFaces().size(); ++f) {
    // Faces of real maps have no repeated corners: a fan of n - 2 triangles.
    if (reader.GetFaceStates()[f].valid) fans += reader.GetFaces()[f].num_edges - 2u;
  }
  uint32_t triangles = 0;
  for (const MeshX* mesh : meshes) {
    triangles += mesh->mPolygonList.Size();
    EXPECT_EQ(mesh->mIndexList.Size(), mesh->mPolygonList.Size() * 3);
    for (const VertexX& v : mesh->mVertexList) {
      const bool marker = v.lightmapCoord.u == -42.f && v.lightmapCoord.v == -42.f;
      const bool inside = v.lightmapCoord.u >= 0.f && v.lightmapCoord.u <= 1.f &&
                          v.lightmapCoord.v >= 0.f && v.lightmapCoord.v <= 1.f;
      ASSERT_TRUE(marker || inside) << v.lightmapCoord.u << ", " << v.lightmapCoord.v;
    }
  }
  EXPECT_LE(triangles, fans);
  EXPECT_GE(triangles + 8, fans);  // only slivers thinner than the tolerance drop out
}

// What every mesh loaded through the mesh loader must satisfy: sections inside the index list
// with a material each, indices inside the vertex list. The collision polygons of a static mesh
// share their corners (a model holds all its animation frames, too many for one position list).
void CheckLoadedMesh(MeshX& mesh, bool isStatic) {
  EXPECT_FALSE(mesh.mSections.Empty());
  EXPECT_EQ(mesh.mMaterials.Size(), mesh.mSections.Size());
  for (const SectionX& section : mesh.mSections) EXPECT_LE(section.end, mesh.mIndexList.Size());
  for (int32_t index : mesh.mIndexList) {
    ASSERT_GE(index, 0);
    ASSERT_LT(uint32_t(index), mesh.mVertexList.Size());
  }
  if (!isStatic) return;
  ArrayX<PolygonLightX> lights;
  mesh.GetMeshAsPolygonLightList(lights);
  ASSERT_FALSE(lights.Empty());
  EXPECT_LE(lights[0].mMainVertexList->Size(), mesh.mVertexList.Size());
  delete lights[0].mMainVertexList;
}

class RealDataTest : public LoaderTestX {
 protected:
  RealDataTest() { MeshLoaderX::CreateSingleton(); }
  ~RealDataTest() override { MeshLoaderX::DestroySingleton(); }
};

// The lighting lump of mp_lobby is the lit faces' lightmaps end to end, so the sizes computed
// from the extents tile it exactly; and each atlas cell holds its face's luxels.
TEST_F(RealDataTest, LobbyAtlasesHoldTheLightingLump) {
  const std::string path = SharedFile("q2map/mp_lobby_q2.bsp");
  if (path.empty()) GTEST_SKIP() << "no shared test data";
  ReadBSPQuake reader(GetAssetManager());
  ASSERT_TRUE(reader.ReadFile(StringX(path.c_str())));
  EXPECT_EQ(reader.GetFaces().size(), 24u);
  EXPECT_EQ(reader.GetLighting().size(), 12414u);
  EXPECT_EQ(reader.GetNumberOfBadFaces(), 0u);

  std::vector<std::pair<uint32_t, uint32_t>> spans;  // offset, bytes
  for (size_t f = 0; f < reader.GetFaces().size(); ++f) {
    const BspFaceStateX& state = reader.GetFaceStates()[f];
    if (!state.lit) continue;
    spans.push_back({uint32_t(reader.GetFaces()[f].lightmap_offset),
                     state.lightmap.Width() * state.lightmap.Height() * 3});
  }
  ASSERT_FALSE(spans.empty());
  std::sort(spans.begin(), spans.end());
  uint32_t next = 0;
  for (const auto& [offset, bytes] : spans) {
    EXPECT_EQ(offset, next);
    next = offset + bytes;
  }
  EXPECT_EQ(next, 12414u);

  ArrayX<MeshX*> meshes;
  reader.GetMeshes(meshes);
  CheckMapMeshes(reader, meshes);
  uint32_t cells = 0;
  for (const LightmapAtlasX& atlas : reader.GetAtlases()) {
    const uint32_t columns = atlas.width / 16;
    for (uint32_t cell = 0; cell < atlas.cellFaces.Size(); ++cell, ++cells) {
      const bsp_face& face = reader.GetFaces()[atlas.cellFaces[cell]];
      const bsp_lightmap_extent& extent = reader.GetFaceStates()[atlas.cellFaces[cell]].lightmap;
      const uint32_t w = extent.Width(), h = extent.Height();
      for (uint32_t y = 0; y < std::min(h, 16u); ++y) {
        const uint8_t* source = reader.GetLighting().data() + face.lightmap_offset + y * w * 3;
        const uint8_t* target =
            atlas.pixels.data() +
            (((cell / columns) * 16 + y) * atlas.width + (cell % columns) * 16) * 3;
        ASSERT_EQ(std::memcmp(source, target, std::min(w, 16u) * 3), 0) << "cell " << cell;
      }
    }
  }
  EXPECT_EQ(cells, spans.size());
  DeleteAll(meshes);
}

TEST_F(RealDataTest, LobbyLoadsThroughTheMeshLoaderWithFallbackTextures) {
  const std::string path = SharedFile("q2map/mp_lobby_q2.bsp");
  if (path.empty()) GTEST_SKIP() << "no shared test data";
  MeshX* mesh = GetAssetImpl<MeshX>(StringX(path.c_str()));
  ASSERT_NE(mesh, nullptr);
  CheckLoadedMesh(*mesh, true);
  for (MaterialX* material : mesh->mMaterials) {
    ASSERT_NE(material, nullptr);
    // e1u1/c_met7_2 is not shipped: the default picture stands in.
    EXPECT_NE(material->GetDiffuseTexture(), nullptr);
    EXPECT_NE(material->GetLightmap(), nullptr);
  }
  EXPECT_TRUE(reports.HasLog("TextureManager, ERROR could not load texture: e1u1\\"));
}

TEST_F(RealDataTest, SharedMd2ModelsGiveASectionPerFrame) {
  for (const char* name : {"models/faerie.md2", "models/sydney.md2"}) {
    SCOPED_TRACE(name);
    const std::string path = SharedFile(name);
    if (path.empty()) GTEST_SKIP() << "no shared test data";
    MeshX* mesh = GetAssetImpl<MeshX>(StringX(path.c_str()));
    ASSERT_NE(mesh, nullptr);
    CheckLoadedMesh(*mesh, false);
    ASSERT_EQ(mesh->mSections.Size(), 198u);
    const uint32_t triangles = mesh->mSections[0].end - mesh->mSections[0].first;
    EXPECT_EQ(triangles,
              std::string(name).find("faerie") != std::string::npos ? 654u * 3 : 679u * 3);
    for (const SectionX& section : mesh->mSections)
      EXPECT_EQ(section.end - section.first, triangles);
  }
}

TEST_F(RealDataTest, SharedThreeDsModelsLoad) {
  const char* const names[] = {"models/fels.3ds", "models/test1.3ds", "models/RotatingCube.3DS",
                               "models/cube_with_diffuse_texture.3DS",
                               "models/cubes_with_alpha.3DS"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    const std::string path = SharedFile(name);
    if (path.empty()) GTEST_SKIP() << "no shared test data";
    Read3DSX reader(GetAssetManager());
    EXPECT_TRUE(reader.Read(StringX(path.c_str())));
    ArrayX<MeshX*> meshes;
    reader.GetMeshes(meshes);
    EXPECT_FALSE(meshes.Empty());
    DeleteAll(meshes);
    MeshX* mesh = GetAssetImpl<MeshX>(StringX(path.c_str()));
    ASSERT_NE(mesh, nullptr);
    CheckLoadedMesh(*mesh, true);
  }
  EXPECT_TRUE(reports.Asserts().empty());
}

// The generated city from the build folder's Resources tree.
TEST_F(RealDataTest, GeneratedCityMapReadsWithLightmaps) {
#ifdef KX_BINARY_DIR
  const std::string path = std::string(KX_BINARY_DIR) + "/Resources/maps/bwcity2.bsp";
#else
  const std::string path;
#endif
  if (path.empty() || !std::filesystem::exists(path)) GTEST_SKIP() << "no generated city";
  ReadBSPQuake reader(GetAssetManager());
  ASSERT_TRUE(reader.ReadFile(StringX(path.c_str())));
  EXPECT_EQ(reader.GetNumberOfBadFaces(), 0u);
  ArrayX<MeshX*> meshes;
  reader.GetMeshes(meshes);
  EXPECT_GT(meshes.Size(), 1u);
  CheckMapMeshes(reader, meshes);
  EXPECT_FALSE(reader.GetAtlases().empty());
  DeleteAll(meshes);
}

}  // namespace
