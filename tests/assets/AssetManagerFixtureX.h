#pragma once
// Base of the asset manager tests: each test runs in its own workspace (scratch folder as the
// current directory, a fresh asset manager) with captured reports; no test asset may outlive
// the manager.
#include <gtest/gtest.h>

#include "ReportCaptureX.h"
#include "WorkspaceX.h"
#include "assets/AssetManagerImplX.h"
#include "tests/assets/TestAssetX.h"

class AssetManagerFixtureX : public ::testing::Test {
 protected:
  AssetManagerFixtureX() { TestAssetX::sGenerated = 0; }
  void TearDown() override {
    if (GetAssetManager()) AssetManagerBaseX::DestroySingleton();
    EXPECT_EQ(TestAssetX::sLive, 0);
  }

  ReportCaptureX reports;
  WorkspaceX world;
};
