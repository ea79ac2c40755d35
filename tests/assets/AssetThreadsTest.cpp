// Concurrent requests for one new asset: exactly one thread generates, every caller gets the
// same finished asset (or null when generation failed).
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <vector>

#include "assets/AssetManagerImplX.h"
#include "tests/assets/AssetManagerFixtureX.h"
#include "tests/assets/TestAssetX.h"

namespace {

class AssetThreadsTest : public AssetManagerFixtureX {
 protected:
  // Asks for `name` from `count` threads at once; returns what each received.
  std::vector<TestAssetX*> RequestTogether(const char* name, const TestAssetParametersX& p,
                                           int count) {
    std::vector<TestAssetX*> results(count, nullptr);
    std::vector<std::thread> threads;
    std::atomic<int> ready{0};
    for (int i = 0; i < count; ++i) {
      threads.emplace_back([&, i] {
        ++ready;
        while (ready < count) std::this_thread::yield();
        results[i] = GetAssetImpl<TestAssetX>(StringX(name), &p);
      });
    }
    for (auto& t : threads) t.join();
    return results;
  }
};

// One slow generation that succeeds or fails: everyone gets its result, finished.
TEST_F(AssetThreadsTest, OneGeneratesOthersWaitForItsResult) {
  for (const bool fail : {false, true}) {
    SCOPED_TRACE(fail ? "failing" : "succeeding");
    TestAssetX::sGenerated = 0;
    TestAssetParametersX slow;
    slow.delayMilliseconds = 50;
    slow.fail = fail;
    const char* name = fail ? "broken.src" : "shared.src";
    const auto results = RequestTogether(name, slow, 8);
    for (TestAssetX* asset : results) EXPECT_EQ(asset, results[0]);
    EXPECT_EQ(TestAssetX::sGenerated, 1);
    if (fail) {
      EXPECT_EQ(results[0], nullptr);
      EXPECT_EQ(reports.CountLog("Could not generate asset broken.src"), 1u);
      continue;
    }
    ASSERT_NE(results[0], nullptr);
    EXPECT_EQ(results[0]->mValue, 1234u);
    EXPECT_EQ(results[0]->mData.Size(), 3u);
    EXPECT_TRUE(results[0]->mReady);
    EXPECT_EQ(reports.CountLog("Stale cache for shared.src"), 1u);
  }
}

TEST_F(AssetThreadsTest, DifferentNamesGenerateSideBySide) {
  TestAssetParametersX p;
  p.delayMilliseconds = 5;
  std::vector<std::thread> threads;
  std::vector<TestAssetX*> results(16, nullptr);
  for (int i = 0; i < 16; ++i) {
    threads.emplace_back([&, i] {
      const std::string name = "n" + std::to_string(i % 4) + ".src";
      results[i] = GetAssetImpl<TestAssetX>(StringX(name.c_str()), &p);
    });
  }
  for (auto& t : threads) t.join();
  for (int i = 0; i < 16; ++i) {
    ASSERT_NE(results[i], nullptr);
    EXPECT_EQ(results[i], results[i % 4]);
  }
  EXPECT_EQ(TestAssetX::sGenerated, 4);
}

}  // namespace
