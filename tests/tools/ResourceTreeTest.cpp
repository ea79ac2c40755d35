// Checks the generated Resources tree: every file the game loads is where the engine looks
// for it, in a well-formed file of the right kind, and generation gives the same bytes twice.
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "BspFile.h"

namespace kxtest {
namespace {

namespace fs = std::filesystem;

const fs::path kResources = KX_RESOURCES_DIR;

std::vector<uint8_t> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

template <typename T>
T At(const std::vector<uint8_t>& b, size_t offset) {
  T v{};
  if (offset + sizeof(T) <= b.size()) std::memcpy(&v, &b[offset], sizeof(T));
  return v;
}

// Width and height from a PNG's IHDR chunk (big-endian).
std::pair<uint32_t, uint32_t> PngSize(const fs::path& path) {
  const auto b = ReadAll(path);
  static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (b.size() < 24 || std::memcmp(b.data(), signature, 8) || std::memcmp(&b[12], "IHDR", 4))
    return {0, 0};
  auto be = [&](size_t o) {
    return uint32_t(b[o]) << 24 | uint32_t(b[o + 1]) << 16 | uint32_t(b[o + 2]) << 8 | b[o + 3];
  };
  return {be(16), be(20)};
}

// Decodes a PNG into RGBA with libpng's own reader.
std::vector<uint8_t> PngPixels(const fs::path& path, uint32_t* width, uint32_t* height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
  image.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
  *width = image.width;
  *height = image.height;
  return pixels;
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

TEST(GeneratedResources, WaveFilesAreMonoPcmWithConsistentChunks) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator(kResources / "Sound")) {
    if (entry.path().extension() != ".wav") continue;
    ++count;
    const auto b = ReadAll(entry.path());
    const std::string name = entry.path().filename().string();
    ASSERT_GE(b.size(), 44u) << name;
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF") << name;
    EXPECT_EQ(At<uint32_t>(b, 4), b.size() - 8) << name;
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 12), "WAVE") << name;
    // Walk the chunks: each must fit the file; "fmt " before "data".
    size_t at = 12;
    bool sawFormat = false, sawData = false;
    while (at + 8 <= b.size()) {
      const std::string id(b.begin() + at, b.begin() + at + 4);
      const uint32_t size = At<uint32_t>(b, at + 4);
      ASSERT_LE(at + 8 + size, b.size()) << name << " chunk " << id;
      if (id == "fmt ") {
        sawFormat = true;
        EXPECT_GE(size, 16u);
        EXPECT_EQ(At<uint16_t>(b, at + 8), 1) << name << " is not PCM";
        EXPECT_EQ(At<uint16_t>(b, at + 10), 1) << name << " is not mono";
        const uint32_t rate = At<uint32_t>(b, at + 12);
        EXPECT_EQ(At<uint16_t>(b, at + 22), 16) << name;
        EXPECT_EQ(At<uint16_t>(b, at + 20), 2) << name;
        EXPECT_EQ(At<uint32_t>(b, at + 16), rate * 2) << name;
      } else if (id == "data") {
        EXPECT_TRUE(sawFormat) << name;
        sawData = true;
        const double seconds = size / 2.0 / At<uint32_t>(b, 24);
        EXPECT_GT(seconds, 0.1) << name;
        EXPECT_LT(seconds, 3.0) << name;
        int peak = 0;
        for (size_t i = at + 8; i + 1 < at + 8 + size; i += 2)
          peak = std::max(peak, std::abs(At<int16_t>(b, i)));
        EXPECT_GT(peak, 1000) << name << " is silent";
      }
      at += 8 + size + (size & 1);
    }
    EXPECT_EQ(at, b.size()) << name;
    EXPECT_TRUE(sawData) << name;
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
  // The crosshair the overlay draws sits in the rectangle (0, 48)-(22, 70), and only there.
  uint32_t w = 0, h = 0;
  const auto pixels = PngPixels(kResources / "Textures/Crosshairs/crosshairs1.png", &w, &h);
  ASSERT_FALSE(pixels.empty());
  EXPECT_GE(w, 22u);
  EXPECT_GE(h, 70u);
  EXPECT_EQ(w & (w - 1), 0u) << "power-of-two sizes keep the rectangle exact";
  EXPECT_EQ(h & (h - 1), 0u);
  int inside = 0, rim = 0;
  for (uint32_t y = 48; y < 70; ++y)
    for (uint32_t x = 0; x < 22; ++x) {
      const uint8_t* p = &pixels[(y * w + x) * 4];
      const bool lit = p[3] > 128 && p[0] + p[1] + p[2] > 300;
      inside += lit;
      rim += lit && (x == 0 || y == 48 || x == 21 || y == 69);
    }
  EXPECT_GT(inside, 10);
  EXPECT_EQ(rim, 0) << "the crosshair must not touch its rectangle's border";
  // The fallback texture: a 24-bit Windows BMP whose header matches its size.
  const auto bmp = ReadAll(kResources / "Textures/default.bmp");
  ASSERT_GE(bmp.size(), 54u);
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[1], 'M');
  EXPECT_EQ(At<uint32_t>(bmp, 2), bmp.size());
  EXPECT_EQ(At<uint32_t>(bmp, 10), 54u);
  EXPECT_EQ(At<uint16_t>(bmp, 28), 24);
  EXPECT_EQ(At<uint32_t>(bmp, 30), 0u);
  const int32_t bw = At<int32_t>(bmp, 18), bh = At<int32_t>(bmp, 22);
  EXPECT_EQ(54 + ((bw * 3 + 3) & ~3) * bh, static_cast<int32_t>(bmp.size()));
}

TEST(GeneratedResources, EveryMapTextureHasAWalHeaderAndAMatchingPng) {
  BspFile map;
  std::string error;
  ASSERT_TRUE(map.Load((kResources / "maps/bwcity2.bsp").string(), &error)) << error;
  std::set<std::string> names;
  for (const TexInfo& t : map.texInfos) names.insert(t.texture);
  EXPECT_GE(names.size(), 5u);
  std::map<std::string, int> facesPerTexture;
  for (const Face& f : map.faces) ++facesPerTexture[map.texInfos[f.texInfo].texture];
  for (const std::string& name : names) {
    // The engine asks for "<name>.WAL" and draws "<name>.PNG", under Textures\Quake\.
    const fs::path base = kResources / "Textures/Quake" / name;
    const auto wal = ReadAll(base.string() + ".WAL");
    ASSERT_GE(wal.size(), 100u) << name;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(wal.data())), name);
    const uint32_t w = At<uint32_t>(wal, 32), h = At<uint32_t>(wal, 36);
    EXPECT_EQ(PngSize(base.string() + ".PNG"), std::make_pair(w, h)) << name;
    // Mip levels follow the header and fit the file.
    for (int mip = 0; mip < 4; ++mip) {
      const uint32_t offset = At<uint32_t>(wal, 40 + 4 * mip);
      EXPECT_LE(offset + (w >> mip) * (h >> mip), wal.size()) << name;
    }
    EXPECT_LT(At<uint32_t>(wal, 92), 1u << 20) << "contents must stay below the packed flag bits";
    // One lightmap atlas per texture; the engine's atlas holds at most 2048 faces.
    EXPECT_LE(facesPerTexture[name], 2048) << name;
  }
}

TEST(GeneratedResources, InfantryModelIsConsistentAndAnimated) {
  const auto b = ReadAll(kResources / "Models/monsters/infantry/tris.md2");
  ASSERT_GE(b.size(), 68u);
  EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "IDP2");
  int32_t h[17];
  std::memcpy(h, b.data(), sizeof(h));
  enum {
    kVersion = 1,
    kSkinW,
    kSkinH,
    kFrameSize,
    kSkins,
    kVerts,
    kSt,
    kTris,
    kGl,
    kFrames,
    kOfsSkins,
    kOfsSt,
    kOfsTris,
    kOfsFrames,
    kOfsGl,
    kOfsEnd
  };
  EXPECT_EQ(h[kVersion], 8);
  EXPECT_EQ(h[kFrameSize], 40 + 4 * h[kVerts]);
  EXPECT_GE(h[kFrames], 207);
  EXPECT_GE(h[kTris], 200);
  EXPECT_LE(h[kTris], 1000);
  EXPECT_LT(static_cast<int64_t>(h[kFrames]) * h[kTris] * 3, 1000000) << "engine array limit";
  EXPECT_EQ(h[kSkins], 1);
  // The sections follow one another and the end offset is the file size.
  EXPECT_EQ(h[kOfsSkins], 68);
  EXPECT_EQ(h[kOfsSt], h[kOfsSkins] + 64 * h[kSkins]);
  EXPECT_EQ(h[kOfsTris], h[kOfsSt] + 4 * h[kSt]);
  EXPECT_EQ(h[kOfsFrames], h[kOfsTris] + 12 * h[kTris]);
  EXPECT_EQ(h[kOfsGl], h[kOfsFrames] + h[kFrameSize] * h[kFrames]);
  EXPECT_EQ(h[kOfsEnd], h[kOfsGl] + 4 * h[kGl]);
  ASSERT_EQ(static_cast<size_t>(h[kOfsEnd]), b.size());
  // The skin resolves to a picture of the stated size (a name without folders resolves the same
  // whether the reader drops or converts the slashes).
  const std::string skin(reinterpret_cast<const char*>(&b[h[kOfsSkins]]));
  EXPECT_EQ(skin.find('/'), std::string::npos);
  EXPECT_EQ(PngSize(kResources / "Textures/Humans" / skin),
            std::make_pair(static_cast<uint32_t>(h[kSkinW]), static_cast<uint32_t>(h[kSkinH])));
  for (int i = 0; i < h[kSt]; ++i) {
    EXPECT_LT(At<int16_t>(b, h[kOfsSt] + 4 * i), h[kSkinW]);
    EXPECT_LT(At<int16_t>(b, h[kOfsSt] + 4 * i + 2), h[kSkinH]);
  }
  for (int t = 0; t < h[kTris]; ++t)
    for (int k = 0; k < 3; ++k) {
      ASSERT_LT(At<uint16_t>(b, h[kOfsTris] + 12 * t + 2 * k), h[kVerts]);
      ASSERT_LT(At<uint16_t>(b, h[kOfsTris] + 12 * t + 6 + 2 * k), h[kSt]);
    }
  // Decoded frames: height of the body and the movement inside each animation range.
  auto top = [&](int frame) {
    const size_t f = h[kOfsFrames] + static_cast<size_t>(h[kFrameSize]) * frame;
    float best = -1e9f;
    for (int v = 0; v < h[kVerts]; ++v)
      best = std::max(
          best, At<uint8_t>(b, f + 40 + 4 * v + 2) * At<float>(b, f + 8) + At<float>(b, f + 20));
    return best;
  };
  auto differ = [&](int a, int c) {
    const size_t fa = h[kOfsFrames] + static_cast<size_t>(h[kFrameSize]) * a;
    const size_t fc = h[kOfsFrames] + static_cast<size_t>(h[kFrameSize]) * c;
    return std::memcmp(&b[fa], &b[fc], h[kFrameSize]) != 0;
  };
  EXPECT_GT(top(0), 30.0f) << "standing soldier";
  const int ranges[][2] = {{1, 71},    {72, 91},   {92, 99},   {100, 109}, {110, 119}, {120, 124},
                           {125, 144}, {145, 169}, {170, 178}, {184, 198}, {199, 206}};
  for (const auto& r : ranges)
    EXPECT_TRUE(differ(r[0], (r[0] + r[1]) / 2)) << "range " << r[0] << " does not move";
  for (const auto& death : {std::pair{125, 144}, {145, 169}, {170, 178}})
    EXPECT_LT(top(death.second), top(death.first) * 0.5f)
        << "death " << death.first << " does not fall";
  EXPECT_LT(top(124), top(120) - 5) << "duck goes down";
}

TEST(GeneratedResources, PropModelChunksNestInsideTheirParents) {
  const auto b = ReadAll(kResources / "Models/crate.3ds");
  ASSERT_GE(b.size(), 6u);
  EXPECT_EQ(At<uint16_t>(b, 0), 0x4D4D);
  EXPECT_EQ(At<uint32_t>(b, 2), b.size());
  std::set<uint16_t> seen;
  // Chunks whose bodies are made of sub-chunks only (after a fixed or text prefix).
  std::function<void(size_t, size_t)> walk = [&](size_t begin, size_t end) {
    size_t at = begin;
    while (at < end) {
      ASSERT_LE(at + 6, end);
      const uint16_t id = At<uint16_t>(b, at);
      const uint32_t length = At<uint32_t>(b, at + 2);
      ASSERT_GE(length, 6u);
      ASSERT_LE(at + length, end) << "chunk " << std::hex << id << " leaves its parent";
      seen.insert(id);
      size_t body = at + 6;
      if (id == 0x4000) body += std::strlen(reinterpret_cast<const char*>(&b[body])) + 1;
      if (id == 0x4600) body += 12;
      if (id == 0x4D4D || id == 0x3D3D || id == 0xAFFF || id == 0xA200 || id == 0x4000 ||
          id == 0x4100 || id == 0x4600 || id == 0xA010 || id == 0xA020 || id == 0xA030)
        walk(body, at + length);
      at += length;
    }
    EXPECT_EQ(at, end);
  };
  walk(0, b.size());
  for (uint16_t id : {0x3D3D, 0x3D3E, 0xAFFF, 0xA000, 0xA020, 0xA300, 0x4000, 0x4110, 0x4120,
                      0x4140, 0x4600, 0x4700})
    EXPECT_TRUE(seen.count(id)) << std::hex << id;
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
