#pragma once
// The asset manager: owns every asset in one tree keyed by name, hands out the asset of a
// name, or creates it and loads it from its cache file under "Resources\SavedData\" or
// generates it from its source (and writes the cache).
//
// Any thread may ask for assets. Exactly one thread generates a new asset; others asking for
// the same name meanwhile wait and receive the same pointer, or null when generation failed.
#include <cstdint>
#include <new>

#include "assets/AssetX.h"
#include "engine/ReportHooksX.h"
#include "foundation/StringX.h"

class ThreadManagerX;

// Creates a fresh, empty asset of one type for a name.
using AssetFactoryX = AssetX* (*)(const StringX& name);

class AssetManagerBaseX {
 public:
  virtual ~AssetManagerBaseX() = default;

  // Removes the asset's entry and deletes the asset; false (nothing deleted) when the tree
  // holds no entry of that name for it.
  virtual bool RemoveAsset(AssetX* asset) = 0;

  // The asset of `name`, created with `create` and generated or loaded when it is new.
  // Null when it cannot be generated.
  virtual AssetX* GetAsset(const StringX& name, const void* parameters, AssetFactoryX create) = 0;

  // The one way to obtain an asset of type T.
  template <class T>
  T* GetAssetImpl(const StringX& name, const void* parameters = nullptr);

  // The job threads the assets spread their batch work over (DXT1 compression); null: each
  // asset works on the thread that asked for it.
  ThreadManagerX* GetJobPool() const { return mJobPool; }

  // The engine's asset manager, whose assets use `jobs`.
  static void CreateSingleton(ThreadManagerX* jobs = nullptr);
  static void DestroySingleton();

  AssetManagerBaseX& operator=(const AssetManagerBaseX&);

 protected:
  explicit AssetManagerBaseX(ThreadManagerX* jobs) : mJobPool(jobs) {}
  AssetManagerBaseX(const AssetManagerBaseX&) = delete;

 private:
  ThreadManagerX* mJobPool = nullptr;
};

extern AssetManagerBaseX* sAssetManagerX;
inline AssetManagerBaseX* GetAssetManager() { return sAssetManagerX; }

template <class T>
AssetX* CreateAssetOfType(const StringX& name) {
  T* newAsset = new (std::nothrow) T(name);
  KX_ASSERT(newAsset, "AssetManagerImplX::GetAssetImpl");
  return newAsset;
}

template <class T>
T* AssetManagerBaseX::GetAssetImpl(const StringX& name, const void* parameters) {
  AssetX* asset = GetAsset(name, parameters, &CreateAssetOfType<T>);
  if (!asset) return nullptr;
  T* typed = dynamic_cast<T*>(asset);
  // A name already taken by an asset of another type is a caller error, not a T.
  KX_ASSERT_MSG(typed, "AssetManagerImplX::GetAssetImpl", "Asset of that name has another type");
  return typed;
}

// GetAssetImpl on `manager`; null without a manager.
template <class T>
T* GetAssetFrom(AssetManagerBaseX* manager, const StringX& name, const void* parameters = nullptr) {
  return manager ? manager->template GetAssetImpl<T>(name, parameters) : nullptr;
}

// An asset that `owner` is made of (a material's texture, a font's glyph image), asked of the
// manager that made `owner`; null when it has none.
template <class T>
T* GetPartAsset(const AssetX& owner, const StringX& name, const void* parameters = nullptr) {
  return GetAssetFrom<T>(owner.GetManager(), name, parameters);
}

// GetAssetImpl on the process-wide manager; null when there is none.
template <class T>
T* GetAssetImpl(const StringX& name, const void* parameters = nullptr) {
  AssetManagerBaseX* manager = GetAssetManager();
  KX_ASSERT(manager, "AssetManagerImplX::GetAssetImpl");
  return manager ? manager->template GetAssetImpl<T>(name, parameters) : nullptr;
}
