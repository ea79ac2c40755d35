// MaterialX: lazy resolution by name through the asset manager, serialised names, and the
// checks on cube textures and missing assets.
#include <gtest/gtest.h>

#include "BitmapTestImages.h"
#include "ReportCaptureX.h"
#include "WorkspaceX.h"
#include "assets/MaterialX.h"
#include "assets/ShaderX.h"
#include "assets/TextureX.h"
#include "streams/BinaryStreamsX.h"

namespace {

const char* kShaderName = "Resources\\ShaderPrograms\\Flat.hlsl";

class MaterialTest : public testing::Test {
 protected:
  MaterialTest() {
    world.Write("Resources/Textures/wall.png", MakePng(4, 4, std::vector<uint8_t>(64, 128)));
    world.WriteText("Resources/ShaderPrograms/Flat.hlsl",
                    "#ifdef VERTEX_SHADER\nlayout(location = 0) in vec3 p;\nvoid main() { "
                    "gl_Position = vec4(p, 1.0); }\n#endif\n#ifdef FRAGMENT_SHADER\nout vec4 c;\n"
                    "void main() { c = vec4(1.0); }\n#endif\n");
  }
  WorkspaceX world;
  ReportCaptureX capture;
};

}  // namespace

TEST_F(MaterialTest, DescriptionResolvesNamesAndSharesAssets) {
  MaterialAssetArgsX args;
  args.mDiffuseTextureName = "wall.png";
  args.mShaderName = kShaderName;
  MaterialX* material = GetAssetImpl<MaterialX>("Material0 wall", &args);
  ASSERT_NE(material, nullptr);
  ASSERT_NE(material->GetDiffuseTexture(), nullptr);
  EXPECT_EQ(material->GetDiffuseTexture(), GetAssetImpl<TextureX>("wall.png"));
  EXPECT_EQ(material->GetShader(), GetAssetImpl<ShaderX>(kShaderName));
  EXPECT_EQ(material->GetLightmap(), nullptr);
  EXPECT_EQ(material->GetDiffuseColor(), ColorX(0, 0, 0, 255));
  EXPECT_FALSE(world.Exists("Resources/SavedData/Material0 wall"));  // never cached

  MaterialX* other = GetAssetImpl<MaterialX>("Material1 wall");
  ASSERT_NE(other, nullptr);
  other->AddTexture("wall.png");
  EXPECT_EQ(other->GetDiffuseTexture(), material->GetDiffuseTexture());
}

TEST_F(MaterialTest, SavedNamesLoadLazilyWithAnEmptyLightmap) {
  MaterialX saved("saved");
  saved.AddTexture("wall.png");
  saved.SetShader(kShaderName);
  {
    BinaryReadStream out(StringX("material.bin"));
    saved.SerializeAsset(out);
  }
  MaterialX loaded("loaded");
  {
    BinaryWriteStream in(StringX("material.bin"));
    loaded.SerializeAsset(in);
    EXPECT_EQ(in.GetState(), uint32_t{STREAMSTATE_AT_END});
  }
  EXPECT_EQ(loaded.GetDiffuseTexture(), saved.GetDiffuseTexture());
  EXPECT_EQ(loaded.GetShader(), saved.GetShader());
  EXPECT_EQ(loaded.GetLightmap(), nullptr);
  EXPECT_TRUE(loaded.GetLightmapName().Empty());

  // A truncated record leaves the names empty instead of reading past the data.
  std::vector<uint8_t> bytes = world.Read("material.bin");
  bytes.resize(6);
  world.Write("short.bin", bytes);
  MaterialX truncated("truncated");
  BinaryWriteStream in(StringX("short.bin"));
  truncated.SerializeAsset(in);
  EXPECT_EQ(in.GetState(), uint32_t{STREAMSTATE_SHORT});
  EXPECT_EQ(truncated.GetDiffuseTexture(), nullptr);
}

TEST_F(MaterialTest, AssetReadyFetchesNamedButMissingAssets) {
  MaterialX material("lazy");
  material.SetManager(world.Assets());
  EXPECT_TRUE(material.GenerateAsset(nullptr));
  material.SetLightmap("late.png");  // not there yet: reported, the name is kept
  EXPECT_TRUE(capture.HasAssert("mLightmap"));
  EXPECT_EQ(material.GetLightmap(), nullptr);
  EXPECT_EQ(material.GetLightmapName(), StringX("late.png"));

  world.Write("Resources/Textures/late.png", MakePng(2, 2, std::vector<uint8_t>(16, 200)));
  material.AssetReady();
  ASSERT_NE(material.GetLightmap(), nullptr);
  EXPECT_EQ(material.GetLightmap(), GetAssetImpl<TextureX>("late.png"));
  EXPECT_EQ(material.GetDiffuseTexture(), nullptr);  // never named, never fetched
}

TEST_F(MaterialTest, CubeNeedsACubeDescriptionAndMissingAssetsAreReported) {
  MaterialX material("checks");
  TextureAssetArgsX flat;
  material.AddTextureCube("sky", &flat);
  EXPECT_TRUE(capture.HasAssert("args && args->mTextureType == TextureCubeX"));
  EXPECT_EQ(material.GetDiffuseTexture(), nullptr);

  material.SetShader("Resources\\ShaderPrograms\\missing.hlsl");
  EXPECT_TRUE(capture.HasAssert("mShader"));
  EXPECT_EQ(material.GetShader(), nullptr);
  material.SetLightmap("no-lightmap.png");  // no default.bmp either
  EXPECT_TRUE(capture.HasAssert("mLightmap"));
}
