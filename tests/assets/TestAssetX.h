#pragma once
// A small cached asset type for the asset manager tests: it counts its generations and
// appends what it generates, so state left over from a rejected cache would show.
#include <atomic>
#include <chrono>
#include <thread>

#include "assets/AssetX.h"

struct TestAssetParametersX {
  bool fail = false;
  int delayMilliseconds = 0;
  const char* sourceFile = nullptr;  // a dependency when the name is not a file
};

class TestAssetX : public AssetX {
 public:
  explicit TestAssetX(const StringX& name) : AssetX(name) { ++sLive; }
  ~TestAssetX() override { --sLive; }

  bool GenerateAsset(const void* parameters) override {
    const auto* p = static_cast<const TestAssetParametersX*>(parameters);
    ++sGenerated;
    if (p && p->delayMilliseconds) {
      std::this_thread::sleep_for(std::chrono::milliseconds(p->delayMilliseconds));
    }
    if (p && p->fail) return false;
    mValue = 1234;
    for (unsigned int i = 1; i <= 3; ++i) mData.Add(i * 10);
    mLabel = 'g';
    return true;
  }
  void SerializeAsset(StreamX& stream) override { stream << mValue << mData << mLabel; }
  void AssetReady() override { mReady = true; }
  const char* GetCacheExtension() const override { return ".TestX"; }
  uint16_t GetCacheVersion() const override { return 3; }
  void GetSourceFiles(const void* parameters, ArrayX<StringX>& files) const override {
    const auto* p = static_cast<const TestAssetParametersX*>(parameters);
    if (p && p->sourceFile) files.Add(StringX(p->sourceFile));
  }

  // Body bytes of a generated asset: value, count, three elements, label.
  static constexpr uint32_t kBodySize = 4 + 4 + 12 + 1;

  unsigned int mValue = 0;
  ArrayX<unsigned int> mData;
  char mLabel = 0;
  bool mReady = false;

  static inline std::atomic<int> sGenerated{0};
  static inline std::atomic<int> sLive{0};
};

// Not cached: generation only.
class UncachedAssetX : public AssetX {
 public:
  explicit UncachedAssetX(const StringX& name) : AssetX(name) {}
  bool GenerateAsset(const void*) override { return true; }
};
