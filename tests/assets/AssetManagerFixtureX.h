#pragma once
// Base of the asset manager tests: each test runs with its own scratch folder as the current
// directory, a fresh asset manager and captured reports; no test asset may outlive the test.
#include <gtest/gtest.h>

#include <filesystem>

#include "ReportCaptureX.h"
#include "ScratchFolderX.h"
#include "assets/AssetManagerImplX.h"
#include "tests/assets/TestAssetX.h"

class AssetManagerFixtureX : public ::testing::Test {
 protected:
  void SetUp() override {
    mPreviousDirectory = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    TestAssetX::sGenerated = 0;
    AssetManagerBaseX::CreateSingleton();
  }
  void TearDown() override {
    if (GetAssetManager()) AssetManagerBaseX::DestroySingleton();
    EXPECT_EQ(TestAssetX::sLive, 0);
    std::filesystem::current_path(mPreviousDirectory);
  }

  ReportCaptureX reports;
  ScratchFolderX folder;

 private:
  std::filesystem::path mPreviousDirectory;
};
