#include "render/SyncEngineRenderX.h"

#include <chrono>
#include <thread>

#include "engine/ReportHooksX.h"

std::atomic<SyncEngineRenderX*> SyncEngineRenderX::sSyncEngineRenderX{nullptr};

SyncEngineRenderX::SyncEngineRenderX() {
  KX_ASSERT(!GetSyncEngineRenderX(), "SyncEngineRenderX::SyncEngineRenderX");
  sSyncEngineRenderX.store(this, std::memory_order_release);
}

SyncEngineRenderX::~SyncEngineRenderX() {
  {
    std::lock_guard<std::mutex> guard(mMutex);
    mReleased = true;
  }
  mChanged.notify_all();
  SyncEngineRenderX* self = this;
  sSyncEngineRenderX.compare_exchange_strong(self, nullptr);
}

void SyncEngineRenderX::Publish() {
  ++mPublishedFrames;
  const int32_t written = mEngineBufferIndex.load(std::memory_order_relaxed);
  KX_ASSERT_MSG(written == 0 || written == 1, "SyncEngineRenderX::EngineThreadDoneWithFrame",
                "Invalid case!");
  mRenderBufferIndex.store(written == 1 ? 1 : 0, std::memory_order_relaxed);
  mEngineBufferIndex.store(written == 1 ? 0 : 1, std::memory_order_relaxed);
}

void SyncEngineRenderX::EngineThreadDoneWithFrame() {
  SyncEngineRenderX* sync = GetSyncEngineRenderX();
  if (!sync) return;
  {
    std::unique_lock<std::mutex> lock(sync->mMutex);
    const bool paced = sync->mRenderAttached && !sync->mReleased;
    if (paced && !sync->mRunning.load(std::memory_order_relaxed)) return;  // loading
    if (paced) {
      sync->mChanged.wait(lock, [sync] {
        return sync->mReleased ||
               (sync->mRenderedFrames == sync->mPublishedFrames && !sync->mRenderInLoadingFrame);
      });
    }
    sync->Publish();
  }
  sync->mChanged.notify_all();
}

void SyncEngineRenderX::BeginRenderFrame(std::unique_lock<std::mutex>& lock) {
  if (!mRunning.load(std::memory_order_relaxed) || mReleased) {
    mRenderInLoadingFrame = !mReleased;
    return;
  }
  mRenderInLoadingFrame = false;
  mChanged.notify_all();
  mChanged.wait(lock, [this] { return mReleased || mPublishedFrames > mRenderedFrames; });
  mRenderHasFrame = mPublishedFrames > mRenderedFrames;
}

void SyncEngineRenderX::RenderThreadDoneWithFrame() {
  SyncEngineRenderX* sync = GetSyncEngineRenderX();
  if (!sync) return;
  std::unique_lock<std::mutex> lock(sync->mMutex);
  if (sync->mRenderHasFrame) {
    ++sync->mRenderedFrames;
    sync->mRenderHasFrame = false;
    sync->mChanged.notify_all();
  }
  sync->BeginRenderFrame(lock);
}

void SyncEngineRenderX::SetRunning() {
  SyncEngineRenderX* sync = GetSyncEngineRenderX();
  if (!sync) return;
  {
    std::lock_guard<std::mutex> guard(sync->mMutex);
    sync->mRunning.store(true, std::memory_order_relaxed);
  }
  sync->mChanged.notify_all();
}

bool SyncEngineRenderX::IsRunning() {
  const SyncEngineRenderX* sync = GetSyncEngineRenderX();
  return sync && sync->mRunning.load(std::memory_order_relaxed);
}

void SyncEngineRenderX::WaitForInit() {
  SyncEngineRenderX* sync = GetSyncEngineRenderX();
  if (!sync) return;
  std::unique_lock<std::mutex> lock(sync->mMutex);
  sync->mRenderAttached = true;
  sync->mChanged.wait(lock, [sync] { return sync->mInitDone || sync->mReleased; });
  sync->BeginRenderFrame(lock);
}

void SyncEngineRenderX::InitDone() {
  SyncEngineRenderX* sync = GetSyncEngineRenderX();
  if (!sync) return;
  {
    std::lock_guard<std::mutex> guard(sync->mMutex);
    sync->mInitDone = true;
  }
  sync->mChanged.notify_all();
}

void SyncEngineRenderX::ReleaseGates() {
  SyncEngineRenderX* sync = GetSyncEngineRenderX();
  if (!sync) return;
  {
    std::lock_guard<std::mutex> guard(sync->mMutex);
    sync->mReleased = true;
    sync->mRenderInLoadingFrame = false;
  }
  sync->mChanged.notify_all();
}

int32_t SyncEngineRenderX::GetEngineBufferIndex() {
  const SyncEngineRenderX* sync = GetSyncEngineRenderX();
  return sync ? sync->mEngineBufferIndex.load(std::memory_order_relaxed) : 0;
}

int32_t SyncEngineRenderX::GetRenderBufferIndex() {
  const SyncEngineRenderX* sync = GetSyncEngineRenderX();
  return sync ? sync->mRenderBufferIndex.load(std::memory_order_relaxed) : 1;
}

void SyncEngineRenderX::PaceLoadingFrame(float frameSeconds) {
  if (IsRunning()) return;
  const float milliseconds = (1.0f / 120.0f - frameSeconds) * 1000.0f;
  if (milliseconds > 0.00001f)
    std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<int64_t>(milliseconds)));
}
