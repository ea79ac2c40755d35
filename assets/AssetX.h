#pragma once
// AssetX: an object the asset manager creates by name, generates from its source, and for
// cached types saves to a cache file and loads back on later starts.
#include <cstdint>

#include "assets/ObjectX.h"
#include "foundation/ArrayX.h"
#include "streams/StreamX.h"

class AssetManagerBaseX;

class AssetX : public ObjectX {
 public:
  explicit AssetX(const StringX& name) : ObjectX(name) {}
  AssetX(const AssetX& other) = default;
  // Copies the name and the content; the asset stays with its own manager.
  AssetX& operator=(const AssetX& other) {
    ObjectX::operator=(other);
    return *this;
  }

  // The manager that made the asset (set before it generates or loads): the assets it is made
  // of are asked of it. Null for an asset made outside a manager.
  AssetManagerBaseX* GetManager() const { return mManager; }
  void SetManager(AssetManagerBaseX* manager) { mManager = manager; }

  // Builds the asset from its source. `parameters` is the type's creation description given
  // to GetAssetImpl (may be null). Runs on whichever thread asked for the asset.
  virtual bool GenerateAsset(const void* parameters) = 0;
  // Passes every cached member to the stream with operator << (saves or loads).
  virtual void SerializeAsset(StreamX& stream) { (void)stream; }
  // Builds run-time objects after generation or after loading from the cache.
  virtual void AssetReady() {}
  // Extension of the cache file (".DXT"); null means the type is not cached.
  virtual const char* GetCacheExtension() const { return nullptr; }
  // Format version of the cached body.
  virtual uint16_t GetCacheVersion() const { return 1; }
  // The files the asset is made from when its name is not itself a file: a lightmap atlas
  // names its map, a cube texture its face images, a font its font file. Their last-write
  // times go into the cache header so the cache goes stale when one of them changes. Leave
  // the list empty (the default) when the name is the source file.
  virtual void GetSourceFiles(const void* parameters, ArrayX<StringX>& files) const {
    (void)parameters;
    (void)files;
  }

 private:
  AssetManagerBaseX* mManager = nullptr;
};
