// TextureX: name resolution (search paths, wall textures), the steps of loading, raw and cube
// textures, DXT1 bodies checked by decompressing, and the ".DXT" cache.
#include <gtest/gtest.h>

#include <cstdlib>

#include "BitmapTestImages.h"
#include "Dxt1TestDecoder.h"
#include "ReportCaptureX.h"
#include "WorkspaceX.h"
#include "assets/TextureCompressionX.h"
#include "assets/TextureX.h"

namespace {

// PNG pixels of one colour.
std::vector<uint8_t> SolidPng(uint32_t width, uint32_t height, RgbX color, uint8_t alpha = 255) {
  std::vector<uint8_t> rgba;
  for (uint32_t i = 0; i < width * height; ++i)
    rgba.insert(rgba.end(), {color.r, color.g, color.b, alpha});
  return MakePng(width, height, rgba);
}

// The texture's first face decompressed, texture width x height pixels, bottom row first.
std::vector<ColorX> Decompressed(const TextureX& texture, uint32_t face = 0) {
  const uint32_t width = texture.GetTextureWidth(), height = texture.GetTextureHeight();
  const unsigned char* blocks =
      texture.GetCompressedData().begin() + face * texture.GetFaceDataSize();
  return DecompressDXT1Blocks(blocks, width, height);
}

bool Near(const ColorX& a, RgbX b, int tolerance = 10) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

class TextureTest : public testing::Test {
 protected:
  WorkspaceX world;
  ReportCaptureX capture;
};

}  // namespace

TEST_F(TextureTest, PngFoundThroughSearchPathsIsPaddedAndCompressed) {
  // 3x5: top three rows red, bottom two rows blue.
  std::vector<uint8_t> rgba;
  for (uint32_t y = 0; y < 5; ++y)
    for (uint32_t x = 0; x < 3; ++x)
      rgba.insert(rgba.end(), {uint8_t(y < 3 ? 255 : 0), 0, uint8_t(y < 3 ? 0 : 255), 255});
  world.Write("Resources/Textures/Crosshairs/odd.png", MakePng(3, 5, rgba));

  TextureX* texture = GetAssetImpl<TextureX>("odd.png");
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(texture->GetSourceWidth(), 3u);
  EXPECT_EQ(texture->GetSourceHeight(), 5u);
  EXPECT_EQ(texture->GetTextureWidth(), 4u);
  EXPECT_EQ(texture->GetTextureHeight(), 8u);
  EXPECT_EQ(texture->GetCompressedData().Size(), 16u);
  EXPECT_EQ(texture->GetTextureType(), uint32_t{Texture2DX});
  EXPECT_FALSE(texture->IsTranslucent());
  const std::vector<ColorX> pixels = Decompressed(*texture);
  EXPECT_TRUE(Near(pixels[0], {0, 0, 255}));          // memory row 0 is the bottom row
  EXPECT_TRUE(Near(pixels[4 * 7 + 3], {255, 0, 0}));  // top right
  EXPECT_EQ(capture.CountLog("TextureManager, Loaded Texture: odd.png"), 1u);
}

TEST_F(TextureTest, TinyImagesGiveWholeBlocks) {
  world.Write("Resources/Textures/one.png", SolidPng(1, 1, {0, 200, 0}));
  world.Write("Resources/Textures/two.png", SolidPng(2, 2, {0, 0, 200}));
  TextureX* one = GetAssetImpl<TextureX>("one.png");
  TextureX* two = GetAssetImpl<TextureX>("two.png");
  ASSERT_TRUE(one && two);
  EXPECT_EQ(one->GetTextureWidth(), 2u);
  EXPECT_EQ(one->GetCompressedData().Size(), 8u);
  for (const ColorX& pixel : Decompressed(*one)) EXPECT_TRUE(Near(pixel, {0, 200, 0}));
  for (const ColorX& pixel : Decompressed(*two)) EXPECT_TRUE(Near(pixel, {0, 0, 200}));
  EXPECT_TRUE(capture.Asserts().empty());
}

TEST_F(TextureTest, MissingImageFallsBackToTheDefaultBitmapOrFails) {
  EXPECT_EQ(GetAssetImpl<TextureX>("missing.png"), nullptr);
  EXPECT_TRUE(capture.HasAssert("LoadTexture(filename, bitmapX)"));
  world.Write("Resources/Textures/default.bmp", MakeSolidBmp(4, 4, {10, 120, 240}));
  TextureX* texture = GetAssetImpl<TextureX>("lost.png");
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(capture.CountLog("TextureManager, ERROR could not load texture: lost.png"), 1u);
  EXPECT_TRUE(Near(Decompressed(*texture)[5], {10, 120, 240}));
}

// Damaged pictures and hostile wall headers give no texture (not the default picture), and the
// log says why.
TEST_F(TextureTest, DamagedImagesAndWallHeadersGiveNoTexture) {
  world.Write("Resources/Textures/default.bmp", MakeSolidBmp(4, 4, {10, 120, 240}));
  std::vector<uint8_t> half = SolidPng(8, 8, {1, 2, 3});
  half.resize(half.size() / 2);
  std::vector<uint8_t> wide = MakeSolidBmp(4, 4, {1, 2, 3});
  const uint32_t hugeWidth = 70000;
  std::memcpy(wide.data() + 18, &hugeWidth, 4);
  struct Case {
    const char* name;
    const char* file;
    std::vector<uint8_t> bytes;
    const char* logStart;
  } cases[] = {
      {"half.png", "half.png", half, "TextureManager, ERROR could not load texture: half.png"},
      {"huge.bmp", "huge.bmp", wide, "TextureManager, ERROR could not load texture: huge.bmp"},
      {"bad/huge.wal", "Quake/bad/huge.WAL", WalHeader(0xFFFFFFFFu, 0x7FFFFFFFu, 0, 0),
       "Bad wall texture header"},
      {"bad/short.wal", "Quake/bad/short.WAL", std::vector<uint8_t>(60, 1),
       "Bad wall texture header"},
  };
  world.Write("Resources/Textures/Quake/bad/huge.PNG", SolidPng(4, 4, {1, 1, 1}));
  world.Write("Resources/Textures/Quake/bad/short.PNG", SolidPng(4, 4, {1, 1, 1}));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    world.Write(std::string("Resources/Textures/") + c.file, c.bytes);
    capture.Clear();
    EXPECT_EQ(GetAssetImpl<TextureX>(c.name), nullptr);
    size_t said = 0;
    for (const std::string& line : capture.Logs()) said += line.rfind(c.logStart, 0) == 0;
    EXPECT_EQ(said, 1u);
  }
}

TEST_F(TextureTest, AlphaColourKeyAndFlipFromTheDescription) {
  // 2x1: left black, right white (top row of the PNG is the only row).
  world.Write("Resources/Textures/pair.png", MakePng(2, 1, {0, 0, 0, 255, 255, 255, 255, 255}));
  world.Write("Resources/Textures/keyed.png", SolidPng(4, 4, {255, 0, 255}));
  world.Write("Resources/Textures/faded.png", SolidPng(4, 4, {50, 50, 50}));

  TextureAssetArgsX flip;
  flip.mFlip = 1;
  TextureX* flipped = GetAssetImpl<TextureX>("pair.png", &flip);
  ASSERT_NE(flipped, nullptr);
  EXPECT_TRUE(Near(Decompressed(*flipped)[0], {255, 255, 255}));

  const ColorX magenta(255, 0, 255, 0);
  TextureAssetArgsX key;
  key.mColorKey = &magenta;
  key.mKeyAlpha = 0;
  TextureX* keyed = GetAssetImpl<TextureX>("keyed.png", &key);
  ASSERT_NE(keyed, nullptr);
  EXPECT_TRUE(keyed->IsColorKeyed());
  EXPECT_TRUE(keyed->IsAllKeyed());
  EXPECT_EQ(Decompressed(*keyed)[0], ColorX(0, 0, 0, 0));

  TextureAssetArgsX faded;
  faded.mAlpha = 5;
  TextureX* nearlyGone = GetAssetImpl<TextureX>("faded.png", &faded);
  ASSERT_NE(nearlyGone, nullptr);
  EXPECT_TRUE(nearlyGone->IsColorKeyed());
  EXPECT_FALSE(nearlyGone->IsTranslucent());
}

// A lightmap-like texture from raw pixels: its colours are kept, and its cache goes stale with
// the file the pixels came from.
TEST_F(TextureTest, RawPixelsKeepTheirColoursAndGoStaleWithTheirFile) {
  world.WriteText("Resources/maps/city.bsp", "IBSP");
  world.SetFileTime("Resources/maps/city.bsp", 1000000);
  const StringX map("Resources\\maps\\city.bsp");
  std::vector<uint8_t> rgb;
  for (int i = 0; i < 16 * 16; ++i) rgb.insert(rgb.end(), {250, 20, 0});
  TextureAssetArgsX args;
  args.mBitmap = rgb.data();
  args.mWidth = 16;
  args.mHeight = 16;
  args.mBits = 24;
  args.mSourceFile = &map;
  const char* name = "Lightmap-MeshX QuakeBSP 0 1";
  TextureX* lightmap = GetAssetImpl<TextureX>(name, &args);
  ASSERT_NE(lightmap, nullptr);
  EXPECT_EQ(capture.CountLog("TextureManagerX, Creating texture: Lightmap-MeshX QuakeBSP 0 1, "
                             "(Width,Height) = (16,16)"),
            1u);
  const ColorX pixel = Decompressed(*lightmap)[17];
  EXPECT_TRUE(Near(pixel, {250, 20, 0}));
  EXPECT_EQ(pixel.a, 255);

  for (const time_t mapTime : {1000000, 2000000}) {
    world.SetFileTime("Resources/maps/city.bsp", mapTime);
    world.Restart();
    capture.Clear();
    ASSERT_NE(GetAssetImpl<TextureX>(name, &args), nullptr);
    EXPECT_EQ(capture.CountLog(std::string("Stale cache for ") + name),
              mapTime == 2000000 ? 1u : 0u);
  }
}

TEST_F(TextureTest, CubeFacesAreStoredInOrder) {
  const RgbX colours[6] = {{255, 0, 0},   {0, 255, 0},   {0, 0, 255},
                           {255, 255, 0}, {0, 255, 255}, {255, 0, 255}};
  ArrayX<StringX> names;
  for (int face = 0; face < 6; ++face) {
    const std::string name = "env/sky" + std::to_string(face) + ".png";
    world.Write("Resources/Textures/" + name, SolidPng(8, 8, colours[face]));
    names.Add(StringX(name.c_str()));
  }
  TextureAssetArgsX args;
  args.mTextureType = TextureCubeX;
  args.mTextureNames = &names;
  TextureX* cube = GetAssetImpl<TextureX>("skybox", &args);
  ASSERT_NE(cube, nullptr);
  EXPECT_EQ(cube->GetTextureType(), uint32_t{TextureCubeX});
  EXPECT_EQ(cube->GetTextureWidth(), 8u);
  EXPECT_EQ(cube->GetCompressedData().Size(), 6u * 32u);
  for (uint32_t face = 0; face < 6; ++face)
    EXPECT_TRUE(Near(Decompressed(*cube, face)[9], colours[face]));

  world.Write("Resources/Textures/env/sky5.png", SolidPng(16, 16, colours[5]));
  EXPECT_EQ(GetAssetImpl<TextureX>("skybox2", &args), nullptr);
  EXPECT_EQ(capture.CountLog("Cube texture faces differ in size: skybox2 (env/sky5.png)"), 1u);
}

TEST_F(TextureTest, CacheRoundTripAndStaleSource) {
  world.Write("Resources/Textures/Quake/e1u1/wall.PNG", SolidPng(12, 6, {30, 60, 90}));
  world.Write("Resources/Textures/Quake/e1u1/wall.WAL", WalHeader(48, 24, 16, 3));
  world.SetFileTime("Resources/Textures/Quake/e1u1/wall.PNG", 1000000);
  TextureX* first = GetAssetImpl<TextureX>("e1u1/wall.wal");
  ASSERT_NE(first, nullptr);
  const std::vector<unsigned char> data(first->GetCompressedData().begin(),
                                        first->GetCompressedData().end());
  const std::string cacheFile = "Resources/SavedData/e1u1/wall.DXT";
  ASSERT_TRUE(world.Exists(cacheFile));
  EXPECT_EQ(world.Read(cacheFile).size(), 45u + data.size());

  world.Restart();
  capture.Clear();
  TextureX* second = GetAssetImpl<TextureX>("e1u1/wall.wal");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(capture.CountLog("TextureManager, Loaded Texture: e1u1/wall.wal"),
            0u);  // from the cache
  EXPECT_EQ(second->GetSourceWidth(), 48u);
  EXPECT_EQ(second->GetSourceHeight(), 24u);
  EXPECT_EQ(second->GetTextureWidth(), 16u);
  EXPECT_EQ(second->GetTextureHeight(), 8u);
  EXPECT_EQ(second->GetSurfaceFlags(), 16u);
  EXPECT_EQ(second->GetSurfaceContents(), 3u);
  EXPECT_TRUE(second->IsTranslucent());
  EXPECT_EQ(std::vector<unsigned char>(second->GetCompressedData().begin(),
                                       second->GetCompressedData().end()),
            data);

  // Editing the picture (not the WAL header) makes the cache stale.
  world.SetFileTime("Resources/Textures/Quake/e1u1/wall.PNG", 2000000);
  world.Restart();
  capture.Clear();
  ASSERT_NE(GetAssetImpl<TextureX>("e1u1/wall.wal"), nullptr);
  EXPECT_EQ(capture.CountLog("Stale cache for e1u1/wall.wal"), 1u);
  EXPECT_EQ(capture.CountLog("TextureManager, Loaded Texture: e1u1/wall.wal"), 1u);
}

TEST_F(TextureTest, CacheWhoseBlocksDoNotMatchItsSizeIsRegenerated) {
  world.Write("Resources/Textures/plain.png", SolidPng(8, 8, {30, 60, 90}));
  ASSERT_NE(GetAssetImpl<TextureX>("plain.png"), nullptr);
  std::vector<uint8_t> cache = world.Read("Resources/SavedData/plain.DXT");
  ASSERT_EQ(cache.size(), 45u + 32u);
  const uint32_t wideWidth = 64;  // texture width field: 10 + 4 + 4 + 1 + 4
  std::memcpy(cache.data() + 23, &wideWidth, 4);
  world.Write("Resources/SavedData/plain.DXT", cache);

  world.Restart();
  capture.Clear();
  TextureX* texture = GetAssetImpl<TextureX>("plain.png");
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(capture.CountLog("Texture cache does not match its size: plain.png"), 1u);
  EXPECT_EQ(texture->GetTextureWidth(), 8u);
  EXPECT_EQ(texture->GetCompressedData().Size(), 32u);
}
