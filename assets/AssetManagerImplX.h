#pragma once
// The asset manager's implementation: the tree of assets, its lock, the names that are being
// generated right now, and the cache file handling.
#include <condition_variable>
#include <cstdint>
#include <thread>

#include "assets/AssetManagerBaseX.h"
#include "engine/CriticalSectionX.h"
#include "foundation/BinarySearchTreeX.h"

class AssetManagerImplX : public AssetManagerBaseX {
 public:
  explicit AssetManagerImplX(ThreadManagerX* jobs = nullptr);
  ~AssetManagerImplX() override;

  bool RemoveAsset(AssetX* asset) override;
  AssetX* GetAsset(const StringX& name, const void* parameters, AssetFactoryX create) override;

  // "Resources\SavedData\" + the name ('/' made '\', extension removed) + the extension.
  static StringX GetCacheFileName(const StringX& name, const char* extension);
  // The source file of an asset name: the name itself when that file exists, else the first
  // match in the search paths, else empty.
  static StringX FindSourcePath(const StringX& name);
  // The time recorded in the cache header for the asset's source.
  static uint64_t GetSourceTime(const AssetX& asset, const void* parameters);

  static constexpr uint64_t sNoSourceTime = ~0ull;

 private:
  // A name being generated: the waiting threads sleep until `done`.
  struct PendingX {
    std::thread::id generator;
    AssetX* result = nullptr;
    uint32_t waiters = 0;
    bool done = false;
  };

  // A fresh asset of the name that belongs to this manager; null when it cannot be made.
  AssetX* Create(const StringX& name, AssetFactoryX create);
  // Generates or loads a new asset. Returns the finished asset (a fresh one when a rejected
  // cache had already been read into the first) or null after deleting it.
  AssetX* GenerateOrLoad(AssetX* asset, const void* parameters, AssetFactoryX create);
  // Tries the cache file; true when the asset was loaded from it.
  bool LoadFromCache(AssetX& asset, const StringX& cacheName, uint64_t sourceTime,
                     bool& rejectedAsCorrupt);
  // Writes the cache through a temporary file renamed into place; failures are only logged.
  void WriteCache(AssetX& asset, const StringX& cacheName, uint64_t sourceTime);

  BinarySearchTreeX<AssetX*, StringX> mAssets;
  BinarySearchTreeX<PendingX*, StringX> mPending;
  CriticalSectionX mCriticalSection;
  std::condition_variable_any mGenerated;
};
