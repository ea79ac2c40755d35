// Checks the generated Resources tree with the engine's own readers: every file the game loads
// is where the engine looks for it and reads as a file of the right kind with the properties
// the game needs, and generation gives the same bytes twice.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "assets/BitmapX.h"
#include "assets/ImageCodecX.h"
#include "assets/WalHeaderX.h"
#include "audio/CWaveFile.h"
#include "geometry/MeshX.h"
#include "loaders/Read3DSX.h"
#include "loaders/ReadBSPQuakeX.h"
#include "loaders/ReadMD2X.h"

namespace kxtest {
namespace {

namespace fs = std::filesystem;

const fs::path kResources = KX_RESOURCES_DIR;

std::vector<uint8_t> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

StringX EnginePath(const fs::path& path) { return StringX(path.string().c_str()); }

// The PNG decoded by the engine's image codec; empty when it does not decode.
DecodedImageX DecodePng(const fs::path& path) {
  const auto bytes = ReadAll(path);
  DecodedImageX image;
  StringX error;
  image.DecodePng(bytes.data(), bytes.size(), error);
  return image;
}

std::pair<uint32_t, uint32_t> PngSize(const fs::path& path) {
  const CodecImageX image = DecodePng(path).GetImage();
  return {image.width, image.height};
}

void DeleteAll(ArrayX<MeshX*>& meshes) {
  for (MeshX* mesh : meshes) delete mesh;
  meshes.Clear();
}

TEST(GeneratedResources, EveryFileTheGameLoadsIsWhereTheEngineLooks) {
  const char* files[] = {
      "maps/bwcity2.bsp",       "Textures/default.bmp",   "Textures/Crosshairs/crosshairs1.png",
      "Textures/Fonts/047.png", "Textures/Fonts/254.png", "Models/monsters/infantry/tris.md2",
      "Models/crate.3ds",       "Sound/volt.wav",         "Sound/Gun_Silencer.wav",
      "Sound/Gun_Reload.wav",   "Sound/foot_steps_1.wav", "Sound/hiphop.wav",
      "Sound/ventilation.wav",  "Sound/cricket.wav",      "Sound/dog2.wav",
      "Sound/huh.wav",          "Sound/doe.wav",          "maps/bwcity2-plan.png",
  };
  for (const char* file : files) EXPECT_TRUE(fs::is_regular_file(kResources / file)) << file;
  for (const char* face : {"rt", "lf", "up", "dn", "ft", "bk"})
    EXPECT_TRUE(
        fs::is_regular_file(kResources / "Textures/env" / (std::string("wnight") + face + ".png")));
}

TEST(GeneratedResources, WaveFilesAreMonoPcmOfAudibleSound) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator(kResources / "Sound")) {
    if (entry.path().extension() != ".wav") continue;
    ++count;
    const std::string name = entry.path().filename().string();
    CWaveFile wave;
    ASSERT_TRUE(wave.Open(EnginePath(entry.path()))) << name;
    const WaveFormatX& format = *wave.GetFormat();
    EXPECT_EQ(format.mFormatTag, WAVE_FORMAT_PCM) << name;
    EXPECT_EQ(format.mChannels, 1) << name << " is not mono";
    EXPECT_EQ(format.mBitsPerSample, 16) << name;
    EXPECT_EQ(format.mBlockAlign, 2) << name;
    EXPECT_EQ(format.mAvgBytesPerSec, format.mSamplesPerSec * 2) << name;
    // The 44-byte header of a plain PCM file, then the samples to the end of the file.
    EXPECT_EQ(wave.GetSize() + 44u, entry.file_size()) << name;
    const double seconds = wave.GetSize() / 2.0 / format.mSamplesPerSec;
    EXPECT_GT(seconds, 0.1) << name;
    EXPECT_LT(seconds, 3.0) << name;
    std::vector<int16_t> samples(wave.GetSize() / 2);
    ASSERT_EQ(wave.Read(reinterpret_cast<uint8_t*>(samples.data()), wave.GetSize()),
              wave.GetSize());
    int peak = 0;
    for (int16_t v : samples) peak = std::max(peak, std::abs(int(v)));
    EXPECT_GT(peak, 1000) << name << " is silent";
  }
  EXPECT_EQ(count, 10);
}

TEST(GeneratedResources, ImagesHaveTheSizesTheEngineNeeds) {
  // Six square sky faces of one size (the cube texture takes face 0's size).
  const auto sky = PngSize(kResources / "Textures/env/wnightrt.png");
  EXPECT_EQ(sky.first, sky.second);
  EXPECT_GT(sky.first, 0u);
  for (const char* face : {"lf", "up", "dn", "ft", "bk"})
    EXPECT_EQ(PngSize(kResources / "Textures/env" / (std::string("wnight") + face + ".png")), sky);
  // Bitmap fonts: a grid of 10 columns and 6 rows of whole pixels.
  for (const char* font : {"047", "254"}) {
    const auto size = PngSize(kResources / "Textures/Fonts" / (std::string(font) + ".png"));
    EXPECT_EQ(size.first % 10, 0u) << font;
    EXPECT_EQ(size.second % 6, 0u) << font;
    EXPECT_GT(size.first, 0u) << font;
  }
  // The fallback texture: a 24-bit Windows BMP whose header matches its size.
  const fs::path bmpPath = kResources / "Textures/default.bmp";
  const BitmapX bmp(EnginePath(bmpPath));
  ASSERT_TRUE(bmp.IsValid());
  EXPECT_EQ(bmp.GetInfoHeader().biBitCount, 24);
  EXPECT_EQ(bmp.GetInfoHeader().biCompression, 0u);
  EXPECT_EQ(bmp.GetFileHeader().bfOffBits, 54u);
  EXPECT_EQ(bmp.GetFileHeader().bfSize, fs::file_size(bmpPath));
  EXPECT_EQ(54 + BitmapX::GetBytesPerRow(bmp.GetWidth(), 24) * bmp.GetHeight(),
            fs::file_size(bmpPath));
}

TEST(GeneratedResources, CrosshairSitsInsideTheRectangleTheOverlayDraws) {
  // The crosshair the overlay draws sits in the rectangle (0, 48)-(22, 70), and only there.
  const DecodedImageX decoded = DecodePng(kResources / "Textures/Crosshairs/crosshairs1.png");
  const CodecImageX image = decoded.GetImage();
  ASSERT_FALSE(decoded.Empty());
  ASSERT_EQ(image.bitsPerPixel, 32u);
  EXPECT_GE(image.width, 22u);
  EXPECT_GE(image.height, 70u);
  EXPECT_EQ(image.width & (image.width - 1), 0u) << "power-of-two sizes keep the rectangle exact";
  EXPECT_EQ(image.height & (image.height - 1), 0u);
  int inside = 0, rim = 0;
  for (uint32_t y = 48; y < 70; ++y)
    for (uint32_t x = 0; x < 22; ++x) {
      const unsigned char* p = image.pixels + y * image.pitch + x * 4;
      const bool lit = p[3] > 128 && p[0] + p[1] + p[2] > 300;
      inside += lit;
      rim += lit && (x == 0 || y == 48 || x == 21 || y == 69);
    }
  EXPECT_GT(inside, 10);
  EXPECT_EQ(rim, 0) << "the crosshair must not touch its rectangle's border";
}

uint32_t LittleU32(const std::vector<uint8_t>& bytes, size_t offset) {
  uint32_t v = 0;
  if (offset + 4 <= bytes.size()) std::memcpy(&v, &bytes[offset], 4);
  return v;
}

TEST(GeneratedResources, EveryMapTextureHasAWalHeaderAndAMatchingPng) {
  ReadBSPQuake map;
  ASSERT_TRUE(map.ReadFile(EnginePath(kResources / "maps/bwcity2.bsp")));
  std::map<std::string, int> facesPerTexture;
  for (const bsp_face& f : map.GetFaces())
    ++facesPerTexture[std::string(GetBspTextureName(map.GetTexInfos()[f.texture_info]))];
  EXPECT_GE(facesPerTexture.size(), 5u);
  for (const auto& [name, faces] : facesPerTexture) {
    // The engine asks for "<name>.WAL" and draws "<name>.PNG", under Textures\Quake\.
    const fs::path base = kResources / "Textures/Quake" / name;
    const auto bytes = ReadAll(base.string() + ".WAL");
    WalHeaderX wal;
    StringX error;
    ASSERT_TRUE(wal.Parse(bytes.data(), bytes.size(), error))
        << name << ": " << error.GetCharArray();
    EXPECT_EQ(PngSize(base.string() + ".PNG"), std::make_pair(wal.mWidth, wal.mHeight)) << name;
    EXPECT_LT(wal.mContents, 1u << 20) << "contents must stay below the packed flag bits";
    // The name and the mip levels, which only other Quake 2 tools read: the name leads the
    // header, the four mip levels follow it and fit the file.
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data())), name);
    for (uint32_t mip = 0; mip < 4; ++mip)
      EXPECT_LE(LittleU32(bytes, 40 + 4 * mip) + (wal.mWidth >> mip) * (wal.mHeight >> mip),
                bytes.size())
          << name;
    // One lightmap atlas per texture; the engine's atlas holds at most 2048 faces.
    EXPECT_LE(uint32_t(faces), ReadBSPQuake::sMaxFacesPerAtlas) << name;
  }
}

// Highest point of a frame's mesh (engine y is up).
float Top(const MeshX& frame) {
  float top = -1e9f;
  for (const VertexX& v : frame.mVertexList) top = std::max(top, v.position.y);
  return top;
}

bool SamePositions(const MeshX& a, const MeshX& b) {
  for (uint32_t i = 0; i < a.mVertexList.Size(); ++i)
    if (!a.mVertexList[i].position.IsSame(b.mVertexList[i].position)) return false;
  return true;
}

TEST(GeneratedResources, InfantryModelIsConsistentAndAnimated) {
  const fs::path path = kResources / "Models/monsters/infantry/tris.md2";
  ReadMD2X reader;
  ASSERT_TRUE(reader.Read(EnginePath(path)));
  const md2_header& h = reader.GetHeader();
  EXPECT_EQ(h.version, 8);
  EXPECT_EQ(h.frameSize, int32_t(ReadMD2X::sFrameHeaderSize) + 4 * h.numVertices);
  EXPECT_GE(h.numFrames, 207);
  EXPECT_GE(h.numTriangles, 200);
  EXPECT_LE(h.numTriangles, 1000);
  EXPECT_LT(int64_t(h.numFrames) * h.numTriangles * 3, int64_t(GENERAL_MAX_SIZE))
      << "engine array limit";
  ASSERT_EQ(h.numSkins, 1);
  // The sections follow one another and the end offset is the file size.
  EXPECT_EQ(h.offsetSkins, int32_t(ReadMD2X::sHeaderSize));
  EXPECT_EQ(h.offsetTexCoords, h.offsetSkins + 64 * h.numSkins);
  EXPECT_EQ(h.offsetTriangles, h.offsetTexCoords + 4 * h.numTexCoords);
  EXPECT_EQ(h.offsetFrames, h.offsetTriangles + 12 * h.numTriangles);
  EXPECT_EQ(h.offsetGlCommands, h.offsetFrames + h.frameSize * h.numFrames);
  EXPECT_EQ(h.offsetEnd, h.offsetGlCommands + 4 * h.numGlCommands);
  EXPECT_EQ(uintmax_t(h.offsetEnd), fs::file_size(path));
  // The skin resolves to a picture of the stated size (a name without folders resolves the same
  // whether the reader drops or converts the slashes).
  const std::string skin = reader.GetSkins()[0].GetCharArray();
  EXPECT_EQ(skin.find('/'), std::string::npos);
  EXPECT_EQ(PngSize(kResources / "Textures/Humans" / skin),
            std::make_pair(uint32_t(h.skinWidth), uint32_t(h.skinHeight)));

  ArrayX<MeshX*> frames;
  reader.GetMeshes(frames);
  ASSERT_EQ(frames.Size(), uint32_t(h.numFrames));
  // Texture corners inside the skin: s in [0, width), t in [0, height).
  for (const VertexX& v : frames[0]->mVertexList) {
    EXPECT_GE(v.texCoord.u, 0.f);
    EXPECT_LT(v.texCoord.u, 1.f);
    EXPECT_GT(v.texCoord.v, 0.f);
    EXPECT_LE(v.texCoord.v, 1.f);
  }
  // The body's height and the movement inside each animation range.
  EXPECT_GT(Top(*frames[0]), 30.0f) << "standing soldier";
  const int ranges[][2] = {{1, 71},    {72, 91},   {92, 99},   {100, 109}, {110, 119}, {120, 124},
                           {125, 144}, {145, 169}, {170, 178}, {184, 198}, {199, 206}};
  for (const auto& r : ranges)
    EXPECT_FALSE(SamePositions(*frames[r[0]], *frames[(r[0] + r[1]) / 2]))
        << "range " << r[0] << " does not move";
  for (const auto& death : {std::pair{125, 144}, {145, 169}, {170, 178}})
    EXPECT_LT(Top(*frames[death.second]), Top(*frames[death.first]) * 0.5f)
        << "death " << death.first << " does not fall";
  EXPECT_LT(Top(*frames[124]), Top(*frames[120]) - 5) << "duck goes down";
  DeleteAll(frames);
}

TEST(GeneratedResources, PropModelReadsWithItsObjectsAndSpotLight) {
  // The reader refuses a chunk that runs past its parent or a face naming a missing vertex.
  Read3DSX reader;
  ASSERT_TRUE(reader.Read(EnginePath(kResources / "Models/crate.3ds")));
  ArrayX<MeshX*> meshes;
  reader.GetMeshes(meshes);
  // The crate (12 textured triangles) and the bin (24).
  ASSERT_EQ(meshes.Size(), 2u);
  uint32_t triangles = 0;
  for (const MeshX* mesh : meshes) triangles += mesh->mPolygonList.Size();
  EXPECT_EQ(triangles, 36u);
  const auto textured = std::find_if(meshes.begin(), meshes.end(),
                                     [](const MeshX* m) { return m->mPolygonList.Size() == 12; });
  ASSERT_NE(textured, meshes.end());
  for (const VertexX& v : (*textured)->mVertexList) {
    EXPECT_TRUE(v.texCoord.u == 0.f || v.texCoord.u == 1.f);
    EXPECT_TRUE(v.texCoord.v == 0.f || v.texCoord.v == 1.f);
  }
  ASSERT_EQ(reader.GetLights().Size(), 1u);
  EXPECT_TRUE(reader.GetLights()[0]->spot);
  DeleteAll(meshes);
}

TEST(GeneratedResources, GenerationGivesTheSameBytesEveryRun) {
  const fs::path again =
      fs::temp_directory_path() / ("kx_resources_again_" + std::to_string(::getpid()));
  fs::remove_all(again);
  const std::string command = std::string("\"") + KX_MAKE_RESOURCES + "\" \"" + again.string() +
                              "\" --content \"" + KX_CONTENT_DIR + "\" > /dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::set<std::string> first, second;
  for (const auto& e : fs::recursive_directory_iterator(kResources))
    if (e.is_regular_file()) first.insert(fs::relative(e.path(), kResources).generic_string());
  for (const auto& e : fs::recursive_directory_iterator(again))
    if (e.is_regular_file()) second.insert(fs::relative(e.path(), again).generic_string());
  // The engine adds its caches to the build's tree; compare only what the generator writes.
  for (const std::string& file : second) {
    EXPECT_TRUE(first.count(file)) << file;
    EXPECT_EQ(ReadAll(kResources / file), ReadAll(again / file)) << file << " differs";
  }
  fs::remove_all(again);
}

}  // namespace
}  // namespace kxtest
