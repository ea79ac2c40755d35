// Fuzz target: arbitrary bytes as the cache file of a test asset. Whatever the file holds,
// the request must give a usable asset, and the cache left behind must be the input (when it
// was accepted) or a correct, freshly written one.
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "assets/AssetManagerImplX.h"
#include "streams/BinaryReaderX.h"
#include "tests/assets/TestAssetX.h"
#include "tests/streams/fuzz/FuzzSupportX.h"

namespace {

bool IsGenerated(const TestAssetX& asset) {
  return asset.mValue == 1234 && asset.mData.Size() == 3 && asset.mData[2] == 30 &&
         asset.mLabel == 'g';
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (chdir(FuzzFolder().c_str()) != 0) abort();
  AssetManagerBaseX::CreateSingleton();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool prepared = false;
  if (!prepared) {
    FileSystemX::CreateDirectories("Resources\\SavedData");
    prepared = true;
  }
  WriteFuzzFile("Resources/SavedData/fuzz.TestX", data, size);
  const int generatedBefore = TestAssetX::sGenerated;

  TestAssetX* asset = GetAssetImpl<TestAssetX>(StringX("fuzz.src"));
  if (!asset || !asset->mReady) abort();
  const bool generated = TestAssetX::sGenerated != generatedBefore;
  if (generated && !IsGenerated(*asset)) abort();  // state from the rejected file survived

  BinaryReaderX cache;
  if (!cache.Open("Resources\\SavedData\\fuzz.TestX")) abort();
  if (generated) {
    // The rewritten cache: version 3, no source time, then the generated body.
    if (cache.GetSize() != 10 + TestAssetX::kBodySize) abort();
    if (cache.ReadUInt16() != 3 || cache.ReadInt64() != -1) abort();
  } else if (cache.GetSize() != size || (size && std::memcmp(cache.GetData(), data, size) != 0)) {
    abort();  // an accepted cache is left as it was
  }
  GetAssetManager()->RemoveAsset(asset);
  return 0;
}
