// The MD2 and 3DS readers against models written by the resource generator's encoders, damaged
// copies of them, and the broken model of the shared test data.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "assets/MaterialX.h"
#include "geometry/MeshX.h"
#include "loaders/Read3DSX.h"
#include "loaders/ReadMD2X.h"
#include "tests/loaders/LoaderTestWorld.h"
#include "tests/loaders/SampleModelsX.h"

namespace {

// A 32-bit value written over an encoded file.
struct Damage {
  size_t offset;
  int32_t value;
  const char* what;
};

class ModelReaderTest : public LoaderTestX {
 protected:
  bool ReadMd2(const std::vector<uint8_t>& bytes, ReadMD2X& reader) {
    world.Write("Resources/Models/test.md2", bytes);
    return reader.Read(StringX("Resources\\Models\\test.md2"));
  }
  bool Read3ds(const std::vector<uint8_t>& bytes, Read3DSX& reader) {
    world.Write("Resources/Models/test.3ds", bytes);
    return reader.Read(StringX("Resources\\Models\\test.3ds"));
  }
  // The read fails, the log says why, and no mesh is left.
  void Expect3dsRefused(const std::vector<uint8_t>& bytes, const char* why) {
    Read3DSX reader(GetAssetManager());
    EXPECT_FALSE(Read3ds(bytes, reader));
    EXPECT_TRUE(reports.HasLog(why));
    ArrayX<MeshX*> meshes;
    reader.GetMeshes(meshes);
    EXPECT_TRUE(meshes.Empty());
  }
};

TEST_F(ModelReaderTest, Md2FramesBecomeMeshesWithDecodedVertices) {
  const kxres::Md2Model model = SampleMd2();
  ReadMD2X reader(GetAssetManager());
  ASSERT_TRUE(ReadMd2(kxres::EncodeMd2(model), reader));
  ArrayX<MeshX*> meshes;
  reader.GetMeshes(meshes);
  ASSERT_EQ(meshes.Size(), 3u);
  for (uint32_t f = 0; f < 3; ++f) {
    const MeshX& mesh = *meshes[f];
    EXPECT_EQ(mesh.mPointOrdering, uint32_t(POINTORDER_TRIANGLELIST));
    ASSERT_EQ(mesh.mIndexList.Size(), 30u);
    ASSERT_EQ(mesh.mVertexList.Size(), 30u);
    EXPECT_EQ(mesh.mPolygonList.Size(), 10u);
    ASSERT_EQ(mesh.mMaterials.Size(), 1u);
    for (uint32_t c = 0; c < 30; ++c) {
      const kxres::Md2Model::Triangle& triangle = model.triangles[c / 3];
      const auto& p = model.frames[f].vertices[triangle.vertex[c % 3]];
      const VertexX& vertex = mesh.mVertexList[c];
      // Packed into bytes per frame: within half a step of the range over 255.
      EXPECT_NEAR(vertex.position.x, p[1], 0.05f);
      EXPECT_NEAR(vertex.position.y, p[2], 0.15f);
      EXPECT_NEAR(vertex.position.z, p[0], 0.15f);
      const auto& st = model.st[triangle.st[c % 3]];
      EXPECT_FLOAT_EQ(vertex.texCoord.u, float(st[0]) / 64.f);
      EXPECT_FLOAT_EQ(vertex.texCoord.v, 1.f - float(st[1]) / 32.f);
    }
  }
  // The skin keeps its folders, with backslashes.
  EXPECT_EQ(std::string(meshes[0]->mMaterials[0]->GetDiffuseTextureName().GetCharArray()),
            "models\\test\\skin.pcx");
  EXPECT_TRUE(reports.HasLog("Reading model : Resources\\Models\\test.md2"));
  EXPECT_TRUE(
      reports.HasLog("ReadMD2, Model: Model MD2X - Resources\\Models\\test.md2 had 3 sub "
                     "meshes, with a total of 30 polygons"));
  EXPECT_TRUE(reports.Asserts().empty());
  DeleteAll(meshes);
}

TEST_F(ModelReaderTest, DamagedMd2FilesAreRefused) {
  const std::vector<uint8_t> good = kxres::EncodeMd2(SampleMd2());
  const int32_t ofsTris = ReadI32(good, 52);
  const std::vector<Damage> damages = {
      {0, 0x32504449 + 1, "magic"},
      {24, 7, "vertex count below the triangles' indices"},
      {28, 2, "texture coordinate count below the indices"},
      {16, 8, "frame size below its vertices"},
      {40, 1 << 20, "frame count past the file"},
      {52, 1 << 30, "triangles past the file"},
      {44, -68, "negative skin offset"},
      {32, -1, "negative triangle count"},
      {8, 0, "skin width zero"},
      {size_t(ofsTris), 0x00070000 | 100, "triangle corner past the vertices"},
  };
  for (const Damage& damage : damages) {
    std::vector<uint8_t> bytes = good;
    PatchI32(bytes, damage.offset, damage.value);
    ReadMD2X reader(GetAssetManager());
    EXPECT_FALSE(ReadMd2(bytes, reader)) << damage.what;
  }
  ReadMD2X shortFile(GetAssetManager());
  EXPECT_FALSE(ReadMd2(std::vector<uint8_t>(good.begin(), good.begin() + 60), shortFile));
}

TEST_F(ModelReaderTest, SharedBrokenMd2IsRefused) {
  const std::string path = RealTestDataFolder() + "models/malformed_zero_numvertices.md2";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "no shared test data";
  ReadMD2X reader(GetAssetManager());
  EXPECT_FALSE(reader.Read(StringX(path.c_str())));
  EXPECT_TRUE(reports.HasLog("a triangle points at a missing vertex"));
}

TEST_F(ModelReaderTest, ThreeDsObjectsBecomeMeshesWithTheirMaterials) {
  Read3DSX reader(GetAssetManager());
  ASSERT_TRUE(Read3ds(kxres::Encode3ds(Sample3ds()), reader));
  ArrayX<MeshX*> meshes;
  reader.GetMeshes(meshes);
  ASSERT_EQ(meshes.Size(), 2u);
  const MeshX& box = *meshes[0];
  ASSERT_EQ(box.mIndexList.Size(), 6u);
  EXPECT_EQ(box.mPolygonList.Size(), 2u);
  // Z-up to Y-up: (0, 2, 3) becomes (0, 3, 2); mapping coordinates carried.
  const VertexX& corner = box.mVertexList[5];
  EXPECT_FLOAT_EQ(corner.position.y, 3.f);
  EXPECT_FLOAT_EQ(corner.position.z, 2.f);
  EXPECT_FLOAT_EQ(corner.texCoord.v, 1.f);
  ASSERT_EQ(box.mMaterials.Size(), 1u);
  MaterialX* crate = box.mMaterials[0];
  EXPECT_EQ(std::string(crate->GetDiffuseTextureName().GetCharArray()), "crate.png");
  EXPECT_EQ(crate->GetDiffuseColor().r, 200);
  EXPECT_EQ(crate->GetAmbientColor().b, 30);
  // The object without a material is drawn with the default one.
  ASSERT_EQ(meshes[1]->mMaterials.Size(), 1u);
  EXPECT_NE(meshes[1]->mMaterials[0], crate);
  ASSERT_EQ(reader.GetLights().Size(), 1u);
  EXPECT_TRUE(reader.GetLights()[0]->spot);
  EXPECT_EQ(reader.GetLights()[0]->colour.g, 128);
  EXPECT_TRUE(reports.HasLog("3DS Loader. Material: Crate"));
  EXPECT_TRUE(reports.HasLog("3DS Loader. Object: Box"));
  // A chunk that ends with the file is skipped to the end without complaint.
  EXPECT_TRUE(reports.Asserts().empty());
  DeleteAll(meshes);
}

// Offset of the first chunk with this id in an encoded 3DS file.
size_t FindChunk(const std::vector<uint8_t>& bytes, uint16_t id) {
  for (size_t i = 6; i + 6 <= bytes.size(); ++i) {
    if (bytes[i] == (id & 0xFF) && bytes[i + 1] == (id >> 8)) return i;
  }
  return 0;
}

TEST_F(ModelReaderTest, DamagedThreeDsChunksEndTheRead) {
  const std::vector<uint8_t> good = kxres::Encode3ds(Sample3ds());
  const size_t faces = FindChunk(good, 0x4120);
  const size_t object = FindChunk(good, 0x4000);
  ASSERT_NE(faces, 0u);
  const std::vector<Damage> damages = {
      {object + 2, 0, "object chunk of length 0"},
      {object + 2, 3, "object chunk shorter than its header"},
      {object + 2, 1 << 20, "object chunk past its parent"},
      {2, int32_t(good.size()) + 1, "main chunk past the file"},
      {faces + 8, 0x00090000, "face corner past the vertices"},
  };
  for (const Damage& damage : damages) {
    std::vector<uint8_t> bytes = good;
    PatchI32(bytes, damage.offset, damage.value);
    Read3DSX reader(GetAssetManager());
    EXPECT_FALSE(Read3ds(bytes, reader)) << damage.what;
  }
  EXPECT_TRUE(reports.HasLog("is shorter than 6"));
  EXPECT_TRUE(reports.HasLog("runs past its parent"));
  EXPECT_TRUE(reports.HasLog("points at a missing vertex"));
}

// Found by the 3DS fuzz target: a float colour that is not a number made an undefined
// conversion to a byte. It reads as black.
TEST_F(ModelReaderTest, ThreeDsColourThatIsNotANumberReadsAsBlack) {
  std::vector<uint8_t> bytes = kxres::Encode3ds(Sample3ds());
  const size_t light = FindChunk(bytes, 0x4600);
  ASSERT_NE(light, 0u);
  const size_t colour = light + 6 + 12;  // after the light's header and position
  ASSERT_EQ(bytes[colour], 0x10);
  for (size_t c = 0; c < 3; ++c) PatchI32(bytes, colour + 6 + c * 4, 0x7FC00000);  // quiet NaN
  Read3DSX reader(GetAssetManager());
  ASSERT_TRUE(Read3ds(bytes, reader));
  ASSERT_EQ(reader.GetLights().Size(), 1u);
  EXPECT_EQ(reader.GetLights()[0]->colour.r, 0);
  EXPECT_EQ(reader.GetLights()[0]->colour.g, 0);
}

// A 3DS file of one object whose triangle mesh chunk holds what `chunks` writes.
std::vector<uint8_t> ThreeDsObject(const char* name,
                                   const std::function<void(kxres::ChunkWriter&)>& chunks) {
  kxres::ChunkWriter w;
  w.Open(0x4D4D);
  w.Open(0x3D3D);
  w.Open(0x4000);
  w.Body().Text(name);
  w.Body().U8(0);
  w.Open(0x4100);
  chunks(w);
  for (int i = 0; i < 4; ++i) w.Close();
  return w.Finish();
}

// Found by the 3DS fuzz target: a vertex list after the faces replaced the one the faces were
// checked against. The faces are checked again when the object is finished.
TEST_F(ModelReaderTest, ThreeDsVerticesAfterTheFacesAreCheckedAgain) {
  const std::vector<uint8_t> bytes = ThreeDsObject("Odd", [](kxres::ChunkWriter& w) {
    w.Open(0x4110);
    w.Body().U16(3);
    for (int i = 0; i < 9; ++i) w.Body().F32(float(i));
    w.Close();
    w.Open(0x4120);
    w.Body().U16(1);
    for (uint16_t i : {0, 1, 2, 7}) w.Body().U16(i);
    w.Close();
    w.Open(0x4110);
    w.Body().U16(0);
    w.Close();
  });
  Expect3dsRefused(bytes, "object Odd has a face that points at a missing vertex");
}

// A list chunk too short to hold even its count: the count is not taken from the next chunk's
// bytes (that read a vertex out of the chunk after it).
TEST_F(ModelReaderTest, ThreeDsListWithoutRoomForItsCountEndsTheRead) {
  const std::vector<uint8_t> bytes = ThreeDsObject("Short", [](kxres::ChunkWriter& w) {
    w.Open(0x4110);  // vertices, with no room for the count
    w.Close();
    w.Open(0x0001);  // an unknown chunk whose id would read as a count of 1
    for (int i = 0; i < 3; ++i) w.Body().F32(1.0f);
    w.Close();
    w.Open(0x4120);
    w.Body().U16(1);
    for (uint16_t i : {0, 0, 0, 0}) w.Body().U16(i);
    w.Close();
  });
  Expect3dsRefused(bytes, "has no room for its count");
}

}  // namespace
