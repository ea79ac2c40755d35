// The Quake 2 map reader against small maps written through the map records.
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "assets/MaterialX.h"
#include "assets/TextureX.h"
#include "geometry/MeshX.h"
#include "loaders/ReadBSPQuakeX.h"
#include "tests/loaders/LoaderTestWorld.h"

namespace {

const char* const kMapPath = "Resources\\maps\\test.bsp";

// Writes the map to the working folder and reads it; the meshes are built when the read
// succeeds.
struct ReadMapX {
  ReadMapX(WorkspaceX& world, const std::vector<uint8_t>& bytes) {
    world.Write("Resources/maps/test.bsp", bytes);
    read = reader.ReadFile(StringX(kMapPath));
    if (read) reader.GetMeshes(meshes);
  }
  ~ReadMapX() { DeleteAll(meshes); }
  ReadBSPQuake reader{GetAssetManager()};
  ArrayX<MeshX*> meshes;
  bool read = false;
};

using BspReaderTest = LoaderTestX;

TEST_F(BspReaderTest, ThreeTexturesGiveThreeMeshesInNameOrder) {
  TestMapBuilder map;
  const uint16_t zeta = map.AddTexInfo("c/zeta");
  const uint16_t alpha = map.AddTexInfo("a/alpha");
  const uint16_t beta = map.AddTexInfo("b/beta");
  map.AddSquare(0, 0, 16, zeta, -1);
  map.AddSquare(16, 0, 16, alpha, -1);
  map.AddSquare(32, 0, 16, beta, -1);
  map.AddSquare(48, 0, 16, alpha, -1);
  ReadMapX out(world, map.Encode());
  ASSERT_TRUE(out.read);
  ASSERT_EQ(out.meshes.Size(), 3u);
  // Numbered in order of first appearance, returned in texture-name order.
  EXPECT_EQ(std::string(out.meshes[0]->GetName().GetCharArray()), "MeshX QuakeBSP 1");
  EXPECT_EQ(std::string(out.meshes[1]->GetName().GetCharArray()), "MeshX QuakeBSP 2");
  EXPECT_EQ(std::string(out.meshes[2]->GetName().GetCharArray()), "MeshX QuakeBSP 0");
  const char* const textures[] = {"a\\alpha.WAL", "b\\beta.WAL", "c\\zeta.WAL"};
  for (uint32_t i = 0; i < 3; ++i) {
    ASSERT_EQ(out.meshes[i]->mMaterials.Size(), 1u);
    MaterialX* material = out.meshes[i]->mMaterials[0];
    ASSERT_NE(material, nullptr);
    EXPECT_EQ(std::string(material->GetDiffuseTextureName().GetCharArray()), textures[i]);
    // The key a texture is loaded under is the key it is found under again; the pictures are
    // missing, the default one stands in.
    EXPECT_NE(material->GetDiffuseTexture(), nullptr);
    EXPECT_EQ(material->GetDiffuseTexture(), GetAssetImpl<TextureX>(StringX(textures[i])));
    // No wall-texture header: no surface flags.
    for (const PolygonX& polygon : out.meshes[i]->mPolygonList) EXPECT_EQ(polygon.surfaceFlags, 0u);
  }
  EXPECT_EQ(out.meshes[0]->mPolygonList.Size(), 4u);
  EXPECT_TRUE(reports.HasLog("ReadBSPQuake, Loading Quake2 map: Resources\\maps\\test.bsp"));
  EXPECT_TRUE(reports.HasLog("ReadBSPQuake, Parsing Quake2 map: Resources\\maps\\test.bsp"));
  EXPECT_TRUE(
      reports.HasLog("ReadBSPQuake, Quake2 map: Resources\\maps\\test.bsp had 3 sub "
                     "meshes, with a total of 8 polygons"));
}

TEST_F(BspReaderTest, QuadGivesTwoTrianglesWithConvertedPositionsAndTextureCoordinates) {
  world.Write("Resources/Textures/Quake/city/wall.wal", WalHeader(64, 32, 0x10, 0x1));
  TestMapBuilder map;
  const uint16_t wall = map.AddTexInfo("city/wall", 0, {1, 0, 0}, {0, 1, 0}, 8, 4);
  map.AddFace({{1, 2, 3}, {5, 2, 3}, {5, 6, 3}, {1, 6, 3}}, wall, -1);
  ReadMapX out(world, map.Encode());
  ASSERT_TRUE(out.read);
  ASSERT_EQ(out.meshes.Size(), 1u);
  const MeshX& mesh = *out.meshes[0];
  EXPECT_EQ(mesh.mVertexList.Size(), 6u);
  EXPECT_EQ(mesh.mIndexList.Size(), 6u);
  ASSERT_EQ(mesh.mPolygonList.Size(), 2u);
  for (uint32_t i = 0; i < 6; ++i) EXPECT_EQ(mesh.mIndexList[i], int32_t(i));
  // Map (1, 2, 3) is engine (-1, 3, -2).
  const VertexX& first = mesh.mVertexList[0];
  EXPECT_FLOAT_EQ(first.position.x, -1.f);
  EXPECT_FLOAT_EQ(first.position.y, 3.f);
  EXPECT_FLOAT_EQ(first.position.z, -2.f);
  // Texture coordinates from the map position and the WAL size: (1 + 8) / 64, -(2 + 4) / 32.
  EXPECT_FLOAT_EQ(first.texCoord.u, 9.f / 64.f);
  EXPECT_FLOAT_EQ(first.texCoord.v, -6.f / 32.f);
  EXPECT_EQ(first.normal.x, 0.f);
  // Surface flags from the WAL header: (flags << 20) | contents.
  for (const PolygonX& polygon : mesh.mPolygonList) {
    EXPECT_EQ(polygon.surfaceFlags, (0x10u << 20) | 0x1u);
  }
}

TEST_F(BspReaderTest, TriangleCountIsTheSumOfTheFaceFans) {
  TestMapBuilder map;
  const uint16_t floor = map.AddTexInfo("a/floor");
  map.AddFace({{0, 0, 0}, {10, 0, 0}, {14, 8, 0}, {5, 14, 0}, {-4, 8, 0}}, floor, -1);  // 3
  map.AddSquare(20, 0, 8, floor, -1);                                                   // 2
  map.AddFace({{40, 0, 0}, {48, 0, 0}, {44, 8, 0}}, floor, -1);                         // 1
  // Every point the same: nothing is left after duplicates go.
  map.AddFace({{60, 0, 0}, {60, 0, 0}, {60, 0, 0}, {60, 0, 0}}, floor, -1);
  ReadMapX out(world, map.Encode());
  ASSERT_TRUE(out.read);
  ASSERT_EQ(out.meshes.Size(), 1u);
  EXPECT_EQ(out.meshes[0]->mPolygonList.Size(), 6u);
  EXPECT_EQ(out.meshes[0]->mIndexList.Size(), 18u);
  EXPECT_TRUE(reports.HasLog("had 1 sub meshes, with a total of 6 polygons"));
}

TEST(BspAtlasSizeTest, SearchesTheSmallestAreaThatHoldsTheCells) {
  uint32_t w = 0, h = 0;  // five cells: FiveLitFacesShareA128By16Atlas
  ASSERT_TRUE(ReadBSPQuake::GetAtlasSize(1, w, h));
  EXPECT_EQ(w * h, 256u);
  ASSERT_TRUE(ReadBSPQuake::GetAtlasSize(16384, w, h));
  EXPECT_EQ(w, 2048u);
  EXPECT_EQ(h, 2048u);
  EXPECT_FALSE(ReadBSPQuake::GetAtlasSize(16385, w, h));
}

// A lit face of 3 x 2 luxels at offset 0 and an unlit one: the cell holds the luxels with the
// last column and row repeated, coordinates point into the cell, red stays red.
TEST_F(BspReaderTest, LightmapCellRepeatsLastColumnAndRow) {
  TestMapBuilder map;
  const uint16_t floor = map.AddTexInfo("a/floor");
  // s in [0, 32] and t in [0, 16]: 3 x 2 luxels.
  map.AddFace({{0, 0, 0}, {32, 0, 0}, {32, 16, 0}, {0, 16, 0}}, floor, 0);
  for (uint8_t i = 0; i < 6; ++i) {
    map.Map().lighting.insert(map.Map().lighting.end(), {uint8_t(200 + i), uint8_t(i), 7});
  }
  map.AddSquare(64, 0, 16, floor, -1);
  ReadMapX out(world, map.Encode());
  ASSERT_TRUE(out.read);
  ASSERT_EQ(out.reader.GetAtlases().size(), 1u);
  const LightmapAtlasX& atlas = out.reader.GetAtlases()[0];
  EXPECT_EQ(atlas.width * atlas.height, 256u);
  EXPECT_EQ(atlas.faces, 1u);
  auto luxel = [&](uint32_t x, uint32_t y) {
    const uint8_t* p = atlas.pixels.data() + (y * atlas.width + x) * 3;
    return std::array<uint8_t, 3>{p[0], p[1], p[2]};
  };
  EXPECT_EQ(luxel(0, 0), (std::array<uint8_t, 3>{200, 0, 7}));
  EXPECT_EQ(luxel(2, 0), (std::array<uint8_t, 3>{202, 2, 7}));
  EXPECT_EQ(luxel(15, 0), (std::array<uint8_t, 3>{202, 2, 7}));
  EXPECT_EQ(luxel(1, 1), (std::array<uint8_t, 3>{204, 4, 7}));
  EXPECT_EQ(luxel(15, 15), (std::array<uint8_t, 3>{205, 5, 7}));

  ASSERT_EQ(out.meshes.Size(), 1u);
  const MeshX& mesh = *out.meshes[0];
  ASSERT_EQ(mesh.mVertexList.Size(), 12u);
  for (uint32_t v = 0; v < 6; ++v) {
    const TexCoordX& c = mesh.mVertexList[v].lightmapCoord;
    EXPECT_GE(c.u, 0.f);
    EXPECT_LE(c.u, 1.f);
    EXPECT_GE(c.v, 0.f);
    EXPECT_LE(c.v, 1.f);
  }
  for (uint32_t v = 6; v < 12; ++v) {
    EXPECT_EQ(mesh.mVertexList[v].lightmapCoord.u, -42.f);
    EXPECT_EQ(mesh.mVertexList[v].lightmapCoord.v, -42.f);
    // The polygons carry the same coordinates.
    EXPECT_EQ(mesh.mPolygonList[v / 3].vertexList[v % 3].lightmapCoord.u, -42.f);
  }
  // The map point s = 0, t = 0: luxel (s + 16) / 16 = 1, clamped to the cell, over 1 cell.
  MaterialX* material = mesh.mMaterials[0];
  EXPECT_EQ(std::string(material->GetLightmapName().GetCharArray()),
            "Lightmap-MeshX QuakeBSP 01 - test.bsp");
  EXPECT_NE(material->GetLightmap(), nullptr);
}

TEST_F(BspReaderTest, FiveLitFacesShareA128By16Atlas) {
  TestMapBuilder map;
  const uint16_t floor = map.AddTexInfo("a/floor");
  for (int i = 0; i < 5; ++i) {
    // 16 x 16 map units: 2 x 2 luxels each.
    const int32_t offset = map.AddLightmap(2, 2, {uint8_t(i * 40), 0, 0});
    map.AddSquare(float(i) * 64.f, 0, 16, floor, offset);
  }
  ReadMapX out(world, map.Encode());
  ASSERT_TRUE(out.read);
  ASSERT_EQ(out.reader.GetAtlases().size(), 1u);
  const LightmapAtlasX& atlas = out.reader.GetAtlases()[0];
  EXPECT_EQ(atlas.width, 128u);
  EXPECT_EQ(atlas.height, 16u);
  // Face i sits in cell i: its coordinates lie in [i / 8, (i + 1) / 8].
  const MeshX& mesh = *out.meshes[0];
  for (uint32_t v = 0; v < mesh.mVertexList.Size(); ++v) {
    const float cell = float(v / 6);
    const TexCoordX& c = mesh.mVertexList[v].lightmapCoord;
    EXPECT_GE(c.u, cell / 8.f - 1e-6f);
    EXPECT_LE(c.u, (cell + 1.f) / 8.f + 1e-6f);
    EXPECT_EQ(atlas.pixels[size_t(v / 6) * 16 * 3], uint8_t((v / 6) * 40));
  }
}

// Faces that must not copy luxels: no lighting data (-1), a lighting lump that is empty, sky
// and nodraw faces that say offset 0, and a lightmap that runs past the lump.
TEST_F(BspReaderTest, FacesWithoutUsableLightingGetTheMarker) {
  {
    TestMapBuilder map;
    map.AddSquare(0, 0, 16, map.AddTexInfo("a/floor"), 0);  // lump empty
    ReadMapX out(world, map.Encode());
    ASSERT_TRUE(out.read);
    for (const VertexX& v : out.meshes[0]->mVertexList) EXPECT_EQ(v.lightmapCoord.u, -42.f);
  }
  {
    TestMapBuilder map;
    map.AddLightmap(4, 4, {9, 9, 9});
    map.AddSquare(0, 0, 16, map.AddTexInfo("env/sky", ReadBSPQuake::sSurfaceSky), 0);
    map.AddSquare(0, 0, 16, map.AddTexInfo("env/clip", ReadBSPQuake::sSurfaceNoDraw), 0);
    map.AddSquare(0, 0, 48, map.AddTexInfo("a/floor"), 40);  // 4 x 4 luxels from 40: past 48
    ReadMapX out(world, map.Encode());
    ASSERT_TRUE(out.read);
    ASSERT_EQ(out.meshes.Size(), 3u);
    for (MeshX* mesh : out.meshes) {
      for (const VertexX& v : mesh->mVertexList) EXPECT_EQ(v.lightmapCoord.v, -42.f);
    }
    for (const BspFaceStateX& face : out.reader.GetFaceStates()) EXPECT_FALSE(face.lit);
  }
}

// The encoded map with its header changed.
std::vector<uint8_t> WithHeader(std::vector<uint8_t> bytes,
                                const std::function<void(bsp_header&)>& change) {
  bsp_header header;
  LoadBspRecord(bytes.data(), header);
  change(header);
  std::vector<uint8_t> changed;
  SaveBspRecord(header, changed);
  std::copy(changed.begin(), changed.end(), bytes.begin());
  return bytes;
}

TEST_F(BspReaderTest, DamagedMapsFailOrLoseOnlyTheirBadFaces) {
  TestMapBuilder map;
  const uint16_t floor = map.AddTexInfo("a/floor");
  map.AddSquare(0, 0, 16, floor, -1);
  map.AddSquare(32, 0, 16, floor, -1);
  const std::vector<uint8_t> good = map.Encode();

  std::vector<uint8_t> badMagic = good;
  badMagic[0] = 'X';
  EXPECT_FALSE(ReadMapX(world, badMagic).read);
  EXPECT_TRUE(reports.HasLog("not a Quake2 map"));
  EXPECT_TRUE(reports.Asserts().empty());  // bad data is no broken contract
  EXPECT_FALSE(ReadMapX(world, {good.begin(), good.begin() + 40}).read);  // truncated header
  // A lump runs past the end of the file: the faces, or a lump read after them. A refused map
  // keeps nothing to build meshes from.
  for (const bsp_lump_id lump : {LUMP_FACES, LUMP_FACE_EDGES}) {
    ReadMapX out(world,
                 WithHeader(good, [lump](bsp_header& h) { h.lumps[lump].length = 1 << 20; }));
    EXPECT_FALSE(out.read);
    EXPECT_TRUE(reports.HasLog("lump " + std::to_string(lump) + " lies outside the file"));
    out.reader.GetMeshes(out.meshes);
    EXPECT_EQ(out.meshes.Size(), 0u);
  }
  {  // A lump length that is not a whole number of records: the whole records are read.
    ReadMapX out(world, WithHeader(good, [](bsp_header& h) { h.lumps[LUMP_FACES].length -= 3; }));
    EXPECT_TRUE(out.read);
    EXPECT_TRUE(reports.HasLog("is not a whole number of 20-byte records"));
    EXPECT_EQ(out.reader.GetFaces().size(), 1u);
  }
}

// Face 0 pointing outside the lumps in each way the reader checks: it is left out (and logged),
// face 1 stays.
TEST_F(BspReaderTest, FacesPointingOutsideTheLumpsAreLeftOut) {
  const std::pair<const char*, std::function<void(QuakeBspX&)>> damages[] = {
      {"face edge past the edges", [](QuakeBspX& m) { m.face_edges[0] = 1000; }},
      {"face edge of the smallest int32", [](QuakeBspX& m) { m.face_edges[0] = INT_MIN; }},
      {"edge naming a missing vertex",
       [](QuakeBspX& m) {
         m.edges[0].v = {0x7FFF, 0x7FFF};
       }},
      {"texinfo that does not exist", [](QuakeBspX& m) { m.faces[0].texture_info = 0x7FFF; }},
      {"first edge past the face edges", [](QuakeBspX& m) { m.faces[0].first_edge = 1u << 30; }},
      {"fewer than three edges", [](QuakeBspX& m) { m.faces[0].num_edges = 2; }},
  };
  for (const auto& [what, damage] : damages) {
    TestMapBuilder map;
    const uint16_t floor = map.AddTexInfo("a/floor");
    map.AddSquare(0, 0, 16, floor, -1);
    map.AddSquare(32, 0, 16, floor, -1);
    damage(map.Map());
    ReadMapX out(world, map.Encode());
    ASSERT_TRUE(out.read) << what;
    EXPECT_EQ(out.reader.GetNumberOfBadFaces(), 1u) << what;
    EXPECT_FALSE(out.reader.GetFaceStates()[0].valid) << what;
    ASSERT_EQ(out.meshes.Size(), 1u) << what;
    EXPECT_EQ(out.meshes[0]->mPolygonList.Size(), 2u) << what;
  }
  EXPECT_TRUE(
      reports.HasLog("ReadBSPQuake, 1 faces point outside the map's lumps and are left out: "
                     "Resources\\maps\\test.bsp"));
}

// More lit faces than one atlas takes: the texture's faces go to several meshes, each with its
// own atlas, and no coordinate leaves its atlas.
TEST_F(BspReaderTest, TooManyLitFacesAreSplitOverSeveralAtlases) {
  TestMapBuilder map;
  const uint16_t floor = map.AddTexInfo("a/floor");
  const int32_t offset = map.AddLightmap(2, 2, {50, 60, 70});
  const uint32_t count = ReadBSPQuake::sMaxFacesPerAtlas + 3;
  for (uint32_t i = 0; i < count; ++i) {
    map.AddFace({{float(i) * 32.f, 0, 0}, {float(i) * 32.f + 16.f, 0, 0}, {float(i) * 32.f, 16, 0}},
                floor, offset);
  }
  ReadMapX out(world, map.Encode());
  ASSERT_TRUE(out.read);
  ASSERT_EQ(out.meshes.Size(), 2u);
  ASSERT_EQ(out.reader.GetAtlases().size(), 2u);
  EXPECT_EQ(out.reader.GetAtlases()[0].faces, ReadBSPQuake::sMaxFacesPerAtlas);
  EXPECT_EQ(out.reader.GetAtlases()[1].faces, 3u);
  uint32_t triangles = 0;
  for (MeshX* mesh : out.meshes) {
    triangles += mesh->mPolygonList.Size();
    ASSERT_NE(mesh->mMaterials[0]->GetLightmap(), nullptr);
    for (const VertexX& v : mesh->mVertexList) {
      EXPECT_TRUE(v.lightmapCoord.u >= 0.f && v.lightmapCoord.u <= 1.f);
      EXPECT_TRUE(v.lightmapCoord.v >= 0.f && v.lightmapCoord.v <= 1.f);
    }
  }
  EXPECT_EQ(triangles, count);
  EXPECT_NE(out.meshes[0]->mMaterials[0], out.meshes[1]->mMaterials[0]);
}

}  // namespace
