// The asset manager with a test asset type: cache round trip, staleness, rejected caches,
// failures, identity and search paths. Each test runs in its own scratch folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "assets/AssetManagerImplX.h"
#include "assets/SearchPathHandlerX.h"
#include "streams/FileSystemX.h"
#include "tests/assets/AssetManagerFixtureX.h"
#include "tests/assets/TestAssetX.h"

namespace {

std::string Text(const StringX& s) { return s.Empty() ? std::string() : s.GetCharArray(); }

class AssetManagerTest : public AssetManagerFixtureX {
 protected:
  // A fresh manager, as on the next start of the program, and only its reports.
  void Restart() {
    world.Restart();
    reports.Clear();
  }
  TestAssetX* Get(const char* name, const TestAssetParametersX* parameters = nullptr) {
    return GetAssetImpl<TestAssetX>(StringX(name), parameters);
  }
  static void ExpectGenerated(const TestAssetX* asset) {
    ASSERT_NE(asset, nullptr);
    EXPECT_EQ(asset->mValue, 1234u);
    ASSERT_EQ(asset->mData.Size(), 3u);
    EXPECT_EQ(asset->mData[2], 30u);
    EXPECT_EQ(asset->mLabel, 'g');
    EXPECT_TRUE(asset->mReady);
  }
};

TEST_F(AssetManagerTest, CacheRoundTrip) {
  WriteBytes("Resources/Textures/tex.src", {1, 2, 3});
  world.SetFileTime("Resources/Textures/tex.src", 1500000000);

  TestAssetX* first = Get("tex.src");
  ExpectGenerated(first);
  EXPECT_EQ(TestAssetX::sGenerated, 1);
  EXPECT_EQ(reports.CountLog("Stale cache for tex.src"), 1u);  // no cache yet

  const auto cache = ReadBytes("Resources/SavedData/tex.TestX");
  ASSERT_EQ(cache.size(), 10u + TestAssetX::kBodySize);
  EXPECT_EQ(cache[0], 3);  // version
  EXPECT_EQ(cache[1], 0);
  uint64_t time = 0;
  std::memcpy(&time, cache.data() + 2, 8);
  EXPECT_EQ(static_cast<int64_t>(time),
            FileSystemX::GetLastWriteTime("Resources\\Textures\\tex.src"));
  EXPECT_EQ(Get("tex.src"), first);  // the same pointer, not generated again

  Restart();
  TestAssetX* loaded = Get("tex.src");
  ExpectGenerated(loaded);
  EXPECT_EQ(TestAssetX::sGenerated, 1);  // loaded from the cache
  EXPECT_TRUE(reports.Logs().empty());
  EXPECT_TRUE(reports.Asserts().empty());
  EXPECT_TRUE(std::filesystem::is_directory("Resources/SavedData"));
  for (const auto& entry : std::filesystem::directory_iterator("Resources/SavedData")) {
    EXPECT_EQ(entry.path().extension(), ".TestX");  // no temporary file left behind
  }
}

TEST_F(AssetManagerTest, ChangedSourceTimeMakesTheCacheStale) {
  WriteBytes("Resources/Models/m.src", {1});
  world.SetFileTime("Resources/Models/m.src", 1500000000);
  ExpectGenerated(Get("m.src"));
  Restart();
  world.SetFileTime("Resources/Models/m.src", 1500000001);
  ExpectGenerated(Get("m.src"));
  EXPECT_EQ(TestAssetX::sGenerated, 2);
  EXPECT_EQ(reports.CountLog("Stale cache for m.src"), 1u);
  Restart();
  ExpectGenerated(Get("m.src"));
  EXPECT_EQ(TestAssetX::sGenerated, 2);  // the rewritten cache holds the new time
}

TEST_F(AssetManagerTest, SourceMissingTrustsAMatchingCache) {
  ExpectGenerated(Get("nowhere.src"));
  const auto cache = ReadBytes("Resources/SavedData/nowhere.TestX");
  ASSERT_GE(cache.size(), 10u);
  EXPECT_EQ(std::vector<uint8_t>(cache.begin() + 2, cache.begin() + 10),
            std::vector<uint8_t>(8, 0xFF));
  Restart();
  ExpectGenerated(Get("nowhere.src"));
  EXPECT_EQ(TestAssetX::sGenerated, 1);
}

TEST_F(AssetManagerTest, NonFileNameFollowsItsRealSource) {
  // A lightmap-like asset: the name is no file, the map it comes from is.
  WriteBytes("Resources/maps/city.bsp", {1});
  world.SetFileTime("Resources/maps/city.bsp", 1500000000);
  TestAssetParametersX parameters;
  parameters.sourceFile = "Resources\\maps\\city.bsp";
  ExpectGenerated(Get("Lightmap city 0", &parameters));
  Restart();
  ExpectGenerated(Get("Lightmap city 0", &parameters));
  EXPECT_EQ(TestAssetX::sGenerated, 1);
  Restart();
  world.SetFileTime("Resources/maps/city.bsp", 1600000000);
  ExpectGenerated(Get("Lightmap city 0", &parameters));
  EXPECT_EQ(TestAssetX::sGenerated, 2);
  EXPECT_EQ(reports.CountLog("Stale cache for Lightmap city 0"), 1u);
}

struct RejectionCase {
  const char* label;
  const char* logLine;
  // Turns a good cache into a bad one.
  void (*spoil)(std::vector<uint8_t>& bytes);
};

void PrintTo(const RejectionCase& rejection, std::ostream* out) { *out << rejection.label; }

class CacheRejectionTest : public AssetManagerTest,
                           public ::testing::WithParamInterface<RejectionCase> {};

TEST_P(CacheRejectionTest, LogsRegeneratesAndRewrites) {
  WriteBytes("Resources/Textures/r.src", {9});
  ExpectGenerated(Get("r.src"));
  const auto good = ReadBytes("Resources/SavedData/r.TestX");
  Restart();

  std::vector<uint8_t> bad = good;
  GetParam().spoil(bad);
  WriteBytes("Resources/SavedData/r.TestX", bad);
  TestAssetX* asset = Get("r.src");
  ExpectGenerated(asset);  // exactly the generated state, nothing left from the bad file
  EXPECT_EQ(TestAssetX::sGenerated, 2);
  EXPECT_EQ(reports.CountLog(GetParam().logLine), 1u);
  EXPECT_EQ(reports.Logs().size(), 1u);
  EXPECT_EQ(ReadBytes("Resources/SavedData/r.TestX"), good);
}

INSTANTIATE_TEST_SUITE_P(
    Rejections, CacheRejectionTest,
    ::testing::Values(RejectionCase{"ExtraByte", "Corrupt cache for r.src",
                                    [](std::vector<uint8_t>& b) { b.push_back(0); }},
                      RejectionCase{"OneByteShort", "Corrupt cache for r.src",
                                    [](std::vector<uint8_t>& b) { b.pop_back(); }},
                      RejectionCase{"HalfBody", "Corrupt cache for r.src",
                                    [](std::vector<uint8_t>& b) {
                                      b.resize(10 + 6);
                                      b[14] = 0x55;  // a partly read array must not survive
                                    }},
                      RejectionCase{"OversizedCount", "Corrupt cache for r.src",
                                    [](std::vector<uint8_t>& b) {
                                      b[14] = b[15] = b[16] = b[17] = 0xFF;  // array count
                                    }},
                      RejectionCase{"ZeroLength", "Stale cache for r.src",
                                    [](std::vector<uint8_t>& b) { b.clear(); }},
                      RejectionCase{"HeaderCut", "Stale cache for r.src",
                                    [](std::vector<uint8_t>& b) { b.resize(5); }},
                      RejectionCase{"WrongVersion", "Stale cache for r.src",
                                    [](std::vector<uint8_t>& b) { b[0] = 2; }}),
    [](const ::testing::TestParamInfo<RejectionCase>& info) { return info.param.label; });

TEST_F(AssetManagerTest, FailedGenerationGivesNullAndFreesTheName) {
  TestAssetParametersX failing;
  failing.fail = true;
  EXPECT_EQ(Get("bad.src", &failing), nullptr);
  EXPECT_EQ(reports.CountLog("Could not generate asset bad.src"), 1u);
  EXPECT_FALSE(std::filesystem::exists("Resources/SavedData/bad.TestX"));
  EXPECT_EQ(Get("bad.src", &failing), nullptr);
  EXPECT_EQ(TestAssetX::sGenerated, 2);  // tried again
  ExpectGenerated(Get("bad.src"));
}

TEST_F(AssetManagerTest, RemoveAssetAndIdentity) {
  TestAssetX* first = Get("a.src");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(Get("a.src"), first);
  EXPECT_TRUE(GetAssetManager()->RemoveAsset(first));
  TestAssetX stranger(StringX("a.src"));
  EXPECT_FALSE(GetAssetManager()->RemoveAsset(&stranger));  // not the tree's asset
  EXPECT_EQ(Get(""), nullptr);
  EXPECT_TRUE(reports.HasAssert("AssetManagerImplX::GetAssetImpl: !name.Empty()"));
  TestAssetX* second = Get("a.src");
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(GetAssetManager()->RemoveAsset(second));
  EXPECT_FALSE(GetAssetManager()->RemoveAsset(&stranger));
}

TEST_F(AssetManagerTest, UncachedTypeNeverTouchesSavedData) {
  UncachedAssetX* asset = GetAssetImpl<UncachedAssetX>(StringX("plain.mesh"));
  ASSERT_NE(asset, nullptr);
  EXPECT_FALSE(std::filesystem::exists("Resources/SavedData"));
  // The same name as another type is refused, not handed out as the wrong type.
  EXPECT_EQ(GetAssetImpl<TestAssetX>(StringX("plain.mesh")), nullptr);
  EXPECT_TRUE(reports.HasAssert("Asset of that name has another type"));
}

TEST_F(AssetManagerTest, UnwritableCacheStillGivesTheAsset) {
  WriteBytes("Resources/SavedData", {1});  // a file where the folder should be
  ExpectGenerated(Get("w.src"));
  EXPECT_EQ(reports.CountLog("Could not write cache w.src"), 1u);
}

TEST_F(AssetManagerTest, CacheNamesFollowTheAssetName) {
  EXPECT_EQ(Text(AssetManagerImplX::GetCacheFileName("Fonts/Lucida.ttf", ".TrueTypeX")),
            "Resources\\SavedData\\Fonts\\Lucida.TrueTypeX");
  EXPECT_EQ(Text(AssetManagerImplX::GetCacheFileName("noext", ".DXT")),
            "Resources\\SavedData\\noext.DXT");
  ExpectGenerated(Get("sub/deeper/x.src"));
  EXPECT_TRUE(std::filesystem::exists("Resources/SavedData/sub/deeper/x.TestX"));
}

TEST_F(AssetManagerTest, SearchPathOrder) {
  SearchPathHandlerX* handler = GetSearchPathHandler();
  ASSERT_NE(handler, nullptr);
  EXPECT_TRUE(handler->SearchSearchPathsForFile("pic.png").Empty());
  WriteBytes("Resources/pic.png", {1});
  EXPECT_EQ(Text(handler->SearchSearchPathsForFile("pic.png")), "Resources\\pic.png");
  WriteBytes("Resources/Textures/pic.png", {1});
  EXPECT_EQ(Text(handler->SearchSearchPathsForFile("pic.png")), "Resources\\Textures\\pic.png");
  WriteBytes("Resources/Textures/Crosshairs/pic.png", {1});
  EXPECT_EQ(Text(handler->SearchSearchPathsForFile("pic.png")),
            "Resources\\Textures\\Crosshairs\\pic.png");
  WriteBytes("Resources/Textures/Fonts/AutoGenerated/pic.png", {1});
  EXPECT_EQ(Text(handler->SearchSearchPathsForFile("pic.png")),
            "Resources\\Textures\\Fonts\\AutoGenerated\\pic.png");

  // Folders inside the name, and names whose case differs from the disk.
  WriteBytes("Resources/Models/bot/skin.pcx", {1});
  EXPECT_FALSE(handler->SearchSearchPathsForFile("bot/skin.pcx").Empty());
  WriteBytes("Resources/Textures/QUAKE/e1u1/wall.wal", {1});
  EXPECT_EQ(Text(handler->SearchSearchPathsForFile("E1U1\\WALL.wal")),
            "Resources\\Textures\\Quake\\E1U1\\WALL.wal");
  EXPECT_EQ(Text(AssetManagerImplX::FindSourcePath("Resources/Models/bot/skin.pcx")),
            "Resources\\Models\\bot\\skin.pcx");

  handler->SearchSearchPathsForFile(StringX());
  EXPECT_TRUE(reports.HasAssert("!filename.Empty()"));
}

TEST_F(AssetManagerTest, SingletonMisuseIsReported) {
  AssetManagerBaseX::CreateSingleton();
  EXPECT_TRUE(reports.HasAssert("AssetManagerBaseX::CreateSingleton: !sAssetManagerX"));
  *GetAssetManager() = *GetAssetManager();
  EXPECT_TRUE(reports.HasAssert("AssetManagerBaseX::operator =: Not allowed"));
  AssetManagerBaseX::DestroySingleton();
  AssetManagerBaseX::DestroySingleton();
  EXPECT_TRUE(reports.HasAssert("sAssetManagerX"));
  AssetManagerBaseX::CreateSingleton();
}

}  // namespace
