#include "assets/AssetManagerImplX.h"

#include <atomic>

#include "assets/SearchPathHandlerX.h"
#include "streams/BinaryStreamsX.h"
#include "streams/FileSystemX.h"

AssetManagerBaseX* sAssetManagerX = nullptr;

namespace {

void LogLine(const char* text, const StringX& name) {
  const StringX line = StringX(text) + name;
  LogMessage(line.GetCharArray() ? line.GetCharArray() : "");
}

StringX WithBackslashes(const StringX& name) {
  StringX path = name;
  FileSystemX::FixSlashes(path);
  return path;
}

// The critical section as a lock the condition variable can release and take again.
struct CriticalSectionLockX {
  CriticalSectionX& cs;
  void lock() { cs.Enter(); }
  void unlock() { cs.Leave(); }
};

// Current write time of a file, all bits set when it cannot be read.
uint64_t FileTime(const StringX& path) {
  const int64_t time = FileSystemX::GetLastWriteTime(path);
  return time < 0 ? AssetManagerImplX::sNoSourceTime : static_cast<uint64_t>(time);
}

}  // namespace

// ---- singleton ----

void AssetManagerBaseX::CreateSingleton(ThreadManagerX* jobs) {
  KX_ASSERT(!sAssetManagerX, "AssetManagerBaseX::CreateSingleton");
  if (!sAssetManagerX) sAssetManagerX = new AssetManagerImplX(jobs);
}

void AssetManagerBaseX::DestroySingleton() {
  KX_ASSERT(sAssetManagerX, "AssetManagerBaseX::DestroySingleton");
  delete sAssetManagerX;
  sAssetManagerX = nullptr;
}

AssetManagerBaseX& AssetManagerBaseX::operator=(const AssetManagerBaseX&) {
  KX_ASSERT_MSG(false, "AssetManagerBaseX::operator =", "Not allowed");
  return *this;
}

AssetManagerImplX::AssetManagerImplX(ThreadManagerX* jobs) : AssetManagerBaseX(jobs) {
  SearchPathHandlerX::CreateSingleton();
}

AssetManagerImplX::~AssetManagerImplX() {
  // Deletes every asset in key order.
  for (auto it = mAssets.begin(); it != mAssets.end(); ++it) delete it->GetValue();
  mAssets.Clear();
  SearchPathHandlerX::DestroySingleton();
  if (sAssetManagerX == this) sAssetManagerX = nullptr;
}

// ---- tree ----

bool AssetManagerImplX::RemoveAsset(AssetX* asset) {
  if (!asset) return false;
  {
    ScopedLockX lock(mCriticalSection);
    AssetX** found = mAssets.FindValue(asset->GetName());
    if (!found || *found != asset) return false;
    mAssets.Remove(asset->GetName());
  }
  delete asset;
  return true;
}

AssetX* AssetManagerImplX::GetAsset(const StringX& name, const void* parameters,
                                    AssetFactoryX create) {
  // An empty name has no source and no cache file of its own.
  KX_ASSERT_MSG(!name.Empty(), "AssetManagerImplX::GetAssetImpl", "!name.Empty()");
  if (name.Empty()) return nullptr;
  CriticalSectionLockX lock{mCriticalSection};
  PendingX* pending = nullptr;
  {
    std::unique_lock<CriticalSectionLockX> guard(lock);
    if (AssetX** found = mAssets.FindValue(name)) return *found;
    if (PendingX** inProgress = mPending.FindValue(name)) {
      PendingX* waitFor = *inProgress;
      if (waitFor->generator == std::this_thread::get_id()) {
        // The asset needs itself while it is being generated: it can never be finished.
        KX_ASSERT_MSG(false, "AssetManagerImplX::GetAssetImpl", "Asset depends on itself");
        return nullptr;
      }
      ++waitFor->waiters;
      mGenerated.wait(guard, [waitFor] { return waitFor->done; });
      AssetX* result = waitFor->result;
      if (--waitFor->waiters == 0) delete waitFor;
      return result;
    }
    pending = new PendingX;
    pending->generator = std::this_thread::get_id();
    mPending.Add(pending, name);
  }

  AssetX* asset = Create(name, create);
  if (asset) asset = GenerateOrLoad(asset, parameters, create);

  {
    std::unique_lock<CriticalSectionLockX> guard(lock);
    if (asset) mAssets.Add(asset, name);
    mPending.Remove(name);
    pending->result = asset;
    pending->done = true;
    if (pending->waiters == 0) delete pending;
  }
  mGenerated.notify_all();
  return asset;
}

AssetX* AssetManagerImplX::Create(const StringX& name, AssetFactoryX create) {
  AssetX* asset = create ? create(name) : nullptr;
  if (asset) asset->SetManager(this);
  return asset;
}

// ---- cache ----

StringX AssetManagerImplX::GetCacheFileName(const StringX& name, const char* extension) {
  return StringX("Resources\\SavedData\\") + FileSystemX::RemoveExtension(WithBackslashes(name)) +
         extension;
}

StringX AssetManagerImplX::FindSourcePath(const StringX& name) {
  const StringX direct = WithBackslashes(name);
  if (FileSystemX::FileExists(direct)) return direct;
  SearchPathHandlerX* handler = GetSearchPathHandler();
  return handler && !name.Empty() ? handler->SearchSearchPathsForFile(name) : StringX();
}

uint64_t AssetManagerImplX::GetSourceTime(const AssetX& asset, const void* parameters) {
  ArrayX<StringX> files;
  asset.GetSourceFiles(parameters, files);
  if (files.Empty()) {
    const StringX source = FindSourcePath(asset.GetName());
    return source.Empty() ? sNoSourceTime : FileTime(source);
  }
  if (files.Size() == 1) return FileTime(files[0]);
  // Several sources: a value that changes whenever any of their times changes.
  uint64_t combined = 14695981039346656037ull;
  for (const StringX& file : files) combined = (combined ^ FileTime(file)) * 1099511628211ull;
  return combined;
}

bool AssetManagerImplX::LoadFromCache(AssetX& asset, const StringX& cacheName, uint64_t sourceTime,
                                      bool& rejectedAsCorrupt) {
  rejectedAsCorrupt = false;
  BinaryWriteStream stream(cacheName);
  unsigned short version = 0xFFFF;
  unsigned long long time = sNoSourceTime;
  stream << version << time;
  const uint32_t headerState = stream.GetState();
  // An empty body ends the file with the header (state 2); anything else short is stale.
  const bool headerComplete = headerState == STREAMSTATE_GOOD || headerState == STREAMSTATE_AT_END;
  const bool sourceChanged = sourceTime != sNoSourceTime && sourceTime != time;
  if (!headerComplete || sourceChanged || version != asset.GetCacheVersion()) {
    LogLine("Stale cache for ", asset.GetName());
    return false;
  }
  asset.SerializeAsset(stream);
  // Complete means the body ended exactly at the last byte of the file.
  if (stream.GetState() == STREAMSTATE_AT_END) return true;
  LogLine("Corrupt cache for ", asset.GetName());
  rejectedAsCorrupt = true;
  return false;
}

void AssetManagerImplX::WriteCache(AssetX& asset, const StringX& cacheName, uint64_t sourceTime) {
  static std::atomic<uint32_t> sTemporaryCounter{0};
  const StringX temporaryName =
      cacheName + ".tmp" + static_cast<unsigned int>(sTemporaryCounter.fetch_add(1));
  uint32_t state;
  {
    BinaryReadStream stream(temporaryName);
    if (stream.GetState() == STREAMSTATE_GOOD) {
      unsigned short version = asset.GetCacheVersion();
      unsigned long long time = sourceTime;
      stream << version << time;
      asset.SerializeAsset(stream);
      stream.Close();
    }
    state = stream.GetState();
  }
  // Only a completely written file takes the cache's name.
  if (state != STREAMSTATE_GOOD || !FileSystemX::RenameFile(temporaryName, cacheName)) {
    FileSystemX::DeleteFile(temporaryName);
    LogLine("Could not write cache ", asset.GetName());
  }
}

AssetX* AssetManagerImplX::GenerateOrLoad(AssetX* asset, const void* parameters,
                                          AssetFactoryX create) {
  const StringX name = asset->GetName();
  const char* extension = asset->GetCacheExtension();
  uint64_t sourceTime = sNoSourceTime;
  StringX cacheName;
  if (extension) {
    cacheName = GetCacheFileName(name, extension);
    sourceTime = GetSourceTime(*asset, parameters);
    bool rejectedAsCorrupt = false;
    if (LoadFromCache(*asset, cacheName, sourceTime, rejectedAsCorrupt)) {
      asset->AssetReady();
      return asset;
    }
    if (rejectedAsCorrupt) {
      // The rejected file has already been read into the asset: start again from a fresh one.
      delete asset;
      asset = Create(name, create);
      if (!asset) return nullptr;
    }
  }
  if (!asset->GenerateAsset(parameters)) {
    LogLine("Could not generate asset ", name);
    delete asset;
    return nullptr;
  }
  asset->AssetReady();
  if (extension) WriteCache(*asset, cacheName, sourceTime);
  return asset;
}
